// The exception for a null pointer of a given type.
#pragma once

#include "Lang/Exception.h"

#include <typeinfo>

namespace Lang {

// Reads "NULL <type> pointer", a class type written as "class " + its qualified name.
class NullPointerException : public Exception {
public:
    NullPointerException(const std::type_info& type, const String& location);
};

} // namespace Lang
