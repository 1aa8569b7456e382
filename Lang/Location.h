// Location texts of throw sites: "<source file without extension>(<line>) : <qualified function>".
//
// The function part is read from the compiler's pretty function text: return type, parameters and
// qualifiers are dropped, and template parameters in the enclosing class names are replaced by their
// arguments as the compiler spells them ("Rc::Pointer<System::Io::File>::operator->"). Class-type
// arguments get no "class " prefix: the pretty text does not tell class types from enumerations
// or aliases. Inside a lambda the enclosing function is named.
#pragma once

#include "Lang/String.h"

#include <string>
#include <string_view>

namespace Lang {

// The qualified function name in a pretty function text such as
// "T* Rc::Pointer<T>::operator->() const [with T = System::Io::File]".
std::string qualifiedFunctionName(std::string_view prettyFunction);

// The location text of a throw site; `file` loses its extension.
std::string makeNarrowLocation(const char* file, int line, const char* prettyFunction);
String makeLocation(const char* file, int line, const char* prettyFunction);

} // namespace Lang
