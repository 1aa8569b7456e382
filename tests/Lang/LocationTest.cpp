// Tests of throw-site location texts and of reading function names from pretty function texts.
#include "Lang/Location.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
    const char* prettyFunction;
    const char* expected;
};

TEST(LocationTest, QualifiedFunctionNameFromGccTexts) {
    const NameCase kCases[] = {
        {"void f()", "f"},
        {"const char* A::B::plain(int, char)", "A::B::plain"},
        {"static std::map<int, int> A::B::C::stat()", "A::B::C::stat"},
        {"void {anonymous}::anon()", "{anonymous}::anon"},
        {"A::B::C::C(int)", "A::B::C::C"},
        {"A::B::Tpl<T>::~Tpl() [with T = int*]", "A::B::Tpl<int*>::~Tpl"},
        {"T* Rc::Pointer<T>::operator->() const [with T = System::Io::File]",
         "Rc::Pointer<System::Io::File>::operator->"},
        {"void A::B::Tpl<T>::operator()() [with T = A::B::Traits]", "A::B::Tpl<A::B::Traits>::operator()"},
        {"bool A::B::Tpl<T>::operator<(const A::B::Tpl<T>&) const [with T = X]", "A::B::Tpl<X>::operator<"},
        {"A::B::S& A::B::S::operator<<=(int)", "A::B::S::operator<<="},
        {"A::B::Tpl<T>::operator bool() const [with T = X]", "A::B::Tpl<X>::operator bool"},
        {"A::B::Tpl<T>::operator const char*() const [with T = X]", "A::B::Tpl<X>::operator const char*"},
        {"static void* A::B::S::operator new(std::size_t)", "A::B::S::operator new"},
        {"U A::B::Tpl<T>::mem(U) [with U = int; T = A::B::Traits]", "A::B::Tpl<A::B::Traits>::mem"},
        {"std::vector<T> A::Tpl<T>::vec(typename std::vector<T>::size_type) [with T = Y; typename "
         "std::vector<T>::size_type = long unsigned int]",
         "A::Tpl<Y>::vec"},
        {"void A::B::Var<Args>::f() [with Args = {int, A::B::Traits}]", "A::B::Var<int, A::B::Traits>::f"},
        {"void A::B::NT<N, T>::f() [with int N = 3; T = A::B::Tpl<int>]", "A::B::NT<3, A::B::Tpl<int>>::f"},
        {"void A::B::ftpl(T) [with T = double]", "A::B::ftpl"},
        {"void (* A::B::fptr())(int)", "A::B::fptr"},
        {"A::B::Tpl<A::B::Traits>::lam()::<lambda(int)>", "A::B::Tpl<A::B::Traits>::lam"},
        {"void Toperator::T() [with T = int]", "Toperator::T"},
        {"decltype(auto) ns::K::get()", "ns::K::get"},
        {"decltype ((t + 1)) f1(T) [with T = int; decltype ((t + 1)) = int]", "f1"},
        {"decltype (t) S::m(T) [with T = int; decltype (t) = int]", "S::m"},
    };
    for (const NameCase& c : kCases)
        EXPECT_EQ(Lang::qualifiedFunctionName(c.prettyFunction), c.expected) << c.prettyFunction;
}

TEST(LocationTest, QualifiedFunctionNameFromClangTexts) {
    const NameCase kCases[] = {
        {"T *A::B::Tpl<A::B::Traits>::operator->() const [T = A::B::Traits]",
         "A::B::Tpl<A::B::Traits>::operator->"},
        {"const char *A::B::plain(int, char)", "A::B::plain"},
        {"void (*A::B::fptr())(int)", "A::B::fptr"},
    };
    for (const NameCase& c : kCases)
        EXPECT_EQ(Lang::qualifiedFunctionName(c.prettyFunction), c.expected) << c.prettyFunction;
}

TEST(LocationTest, FilePartLosesOnlyTheExtension) {
    struct Case {
        const char* file;
        const char* expected;
    };
    const Case kCases[] = {
        {"System/Private/PathStringParser.h", "System/Private/PathStringParser(143) : f"},
        {"Io/File.cpp", "Io/File(143) : f"},
        {"v1.2/Makefile", "v1.2/Makefile(143) : f"},
        {"Win32\\ZipFile.cpp", "Win32\\ZipFile(143) : f"},
        {"main.test.cpp", "main.test(143) : f"},
    };
    for (const Case& c : kCases)
        EXPECT_EQ(Lang::makeNarrowLocation(c.file, 143, "void f()"), c.expected) << c.file;
}

// The compiler spells source paths in UTF-8; the narrow text is Windows-1252 with references.
TEST(LocationTest, NonAsciiSourcePathsAreReadAsUtf8) {
    const char* file = "Io/Fich\xC3\xA9\xE4\xB8\xAD.cpp";
    EXPECT_EQ(Lang::makeLocation(file, 7, "void f()"), u"Io/Fich\u00E9\u4E2D(7) : f");
    EXPECT_EQ(Lang::makeNarrowLocation(file, 7, "void f()"), "Io/Fich\xE9&#x4E2D;(7) : f");
}

} // namespace
