// Range check that the codecs run on every buffer they are given.
#pragma once

#include <cstddef>

namespace Lang::Platform {

// The name an element type goes by in range-error messages.
template <class T>
struct ElementTypeName;

template <>
struct ElementTypeName<char> {
    static constexpr const char* value = "char";
};

template <>
struct ElementTypeName<char16_t> {
    static constexpr const char* value = "wchar_t";
};

// Throws the std::range_error that reports a buffer too small for `operation`.
[[noreturn]] void throwPointerRangeError(const char* operation, const char* typeName, std::ptrdiff_t required,
                                         std::ptrdiff_t available);

// Throws std::range_error unless [first, end) is a forward range of at least `required` elements.
template <class T>
inline void checkPointerRange(const T* first, const T* end, std::ptrdiff_t required, const char* operation) {
    if (end >= first && end - first >= required)
        return;
    throwPointerRangeError(operation, ElementTypeName<T>::value, required, end - first);
}

} // namespace Lang::Platform
