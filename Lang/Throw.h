// The throw protocol: trace the throw, build the exception, stamp the site's location, throw a copy.
//
//     LANG_THROW(Lang::Exception(u"file is not open", Lang::unknownLocation()));
//     LANG_THROW_NARROW(System::Path::Exception("Invalid path", ""));
//
// The trace line "<location>: Throwing <expression>\r\n" goes to the trace sink before the
// exception exists. The thrown object is a copy of the static type of the expression.
#pragma once

#include "Lang/Exception.h"
#include "Lang/Location.h"

#include <string>

namespace Lang {

// Hands "<location><throwing>" to the trace sink: wide, or narrow for sites with narrow texts.
void traceThrow(const String& location, const char16_t* throwing);
void traceThrow(const std::string& location, const char* throwing);

} // namespace Lang

#define LANG_THROW_AT(location, throwing, ...)                                                               \
    do {                                                                                                     \
        const auto langThrowLocation = (location);                                                           \
        ::Lang::traceThrow(langThrowLocation, throwing);                                                     \
        auto langThrowException = (__VA_ARGS__);                                                             \
        ::Lang::attachLocation(langThrowException, langThrowLocation.c_str());                               \
        throw langThrowException;                                                                            \
    } while (false)

// The location text of the site where it stands, wide or narrow. Untraced sites give it to the
// exception's constructor:  throw Win32::Exception(::GetLastError(), LANG_LOCATION());
#define LANG_LOCATION() LANG_LOCATION_FOR(__PRETTY_FUNCTION__)
#define LANG_NARROW_LOCATION() ::Lang::makeNarrowLocation(__FILE__, __LINE__, __PRETTY_FUNCTION__)

// The location of a site in a helper that raises on behalf of an operation: the helper's file and line,
// with the function part read from `operation`, the operation's own __PRETTY_FUNCTION__ handed down.
#define LANG_LOCATION_FOR(operation) ::Lang::makeLocation(__FILE__, __LINE__, operation)

// Throws the exception built by the expression, from a site with wide texts.
#define LANG_THROW(...) LANG_THROW_AT(LANG_LOCATION(), u": Throwing " #__VA_ARGS__ u"\r\n", __VA_ARGS__)

// As LANG_THROW, from a helper whose failures are those of `operation` (see LANG_LOCATION_FOR).
#define LANG_THROW_FOR(operation, ...)                                                                       \
    LANG_THROW_AT(LANG_LOCATION_FOR(operation), u": Throwing " #__VA_ARGS__ u"\r\n", __VA_ARGS__)

// Throws the exception built by the expression, from a site with narrow texts.
#define LANG_THROW_NARROW(...)                                                                               \
    LANG_THROW_AT(LANG_NARROW_LOCATION(), ": Throwing " #__VA_ARGS__ "\r\n", __VA_ARGS__)
