// Tests of the Win32 exception: the system's text for its code, fetched once and kept by copies.
#include "Win32/Exception.h"

#include "Lang/Throw.h"
#include "tests/Win32/Win32ThrownBy.h"

#include <gtest/gtest.h>

namespace {

TEST(Win32ExceptionTest, WhatIsTheSystemTextWithItsLineEnd) {
    const struct {
        std::uint32_t error;
        std::string expected;
    } cases[] = {
        {2, kFileNotFoundText},
        {5, kAccessDeniedText},
        {0xDEADBEEF, "Win32 ::FormatMessage failed"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Win32::Exception(c.error, u"here").what(), c.expected) << c.error;
}

TEST(Win32ExceptionTest, TextIsFetchedOnceAndKept) {
    const Win32::Exception error(5);
    const char* first = error.what();
    EXPECT_EQ(error.what(), first);
    EXPECT_EQ(error.getLocation(), std::u16string());
}

TEST(Win32ExceptionTest, CopyKeepsCodeTextAndLocation) {
    const Win32::Exception original(2, u"Win32/Somewhere(1) : f");
    const Win32::Exception copy(original);
    EXPECT_EQ(copy.getError(), 2u);
    EXPECT_EQ(copy.what(), kFileNotFoundText);
    EXPECT_EQ(std::u16string(copy.getLocation()), u"Win32/Somewhere(1) : f");
}

} // namespace

namespace Win32ExceptionTest {

void throwTraced() {
    LANG_THROW(Win32::Exception(5));
}

} // namespace Win32ExceptionTest

namespace {

TEST(Win32ExceptionTest, TracedThrowCarriesTheSiteAndTheText) {
    EXPECT_EQ(win32ThrownBy(Win32ExceptionTest::throwTraced),
              (Win32Thrown{5, kAccessDeniedText, "Win32ExceptionTest::throwTraced"}));
}

} // namespace
