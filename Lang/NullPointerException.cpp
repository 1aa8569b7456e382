// The exception for a null pointer of a given type.
#include "Lang/NullPointerException.h"

#include "Lang/StringCast.h"

#include <cstdlib>
#include <cxxabi.h>
#include <memory>

namespace Lang {

namespace {

struct FreeDeleter {
    void operator()(char* text) const { std::free(text); }
};

std::string demangledName(const std::type_info& type) {
    int status = 0;
    const std::unique_ptr<char, FreeDeleter> name(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status));
    return status == 0 ? std::string(name.get()) : std::string(type.name());
}

bool isClassType(const std::type_info& type) {
    return dynamic_cast<const abi::__class_type_info*>(&type) != nullptr;
}

// The type as a reader writes it: "class System::Io::File", "int".
std::string readableTypeName(const std::type_info& type) {
    const std::string name = demangledName(type);
    return isClassType(type) ? "class " + name : name;
}

} // namespace

NullPointerException::NullPointerException(const std::type_info& type, const String& location)
    : Exception(u"NULL " + Xtl::string_cast<String>(readableTypeName(type)) + u" pointer", location) {}

} // namespace Lang
