// The base of the framework's exceptions, the location helpers and the shared default texts.
#include "Lang/Exception.h"

#include "Lang/StringCast.h"

namespace Lang {

Exception::Exception(const String& message, const String& location)
    : m_message(Xtl::string_cast<std::string>(message)), m_location(location) {}

Exception::Exception(const std::string& message, const std::string& location)
    : m_message(message), m_location(Xtl::string_cast<String>(location)) {}

Exception::Exception(const Exception& other)
    : std::exception(other), m_message(other.what()), m_location(other.getLocation()) {}

Exception::~Exception() = default;

const char* Exception::what() const noexcept {
    return m_message.c_str();
}

void Exception::setMessage(const String& message) {
    m_message = message.empty() ? std::string("(null message)") : Xtl::string_cast<std::string>(message);
}

Exception& Exception::setLocation(const String& location) {
    m_location = location;
    return *this;
}

const char16_t* Exception::getLocation() const {
    return m_location.c_str();
}

Exception& attachLocation(Exception& e, const char16_t* location) {
    return e.setLocation(location);
}

Exception& attachLocation(Exception& e, const char* location) {
    return e.setLocation(Xtl::string_cast<String>(std::string(location)));
}

const String& unknownLocation() {
    static const String text = u"Unknown Location";
    return text;
}

const String& unknownException() {
    static const String text = u"Unknown Exception";
    return text;
}

} // namespace Lang
