// Tests of BSTR allocation and the VARIANT helpers.
#include "Platform/Com/OleAuto.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

TEST(PlatformComOleAutoTest, StringsCarryTheirLengthAndANul) {
    const std::u16string cases[] = {u"", u"a", u"r\u00E9sum\u00E9", u"\U0001D11E clef",
                                    std::u16string(5000, u'x')};
    for (const std::u16string& text : cases) {
        BSTR copy = SysAllocString(text.c_str());
        ASSERT_NE(copy, nullptr) << text.size();
        EXPECT_EQ(SysStringLen(copy), text.size());
        EXPECT_EQ(std::u16string(copy, SysStringLen(copy)), text);
        EXPECT_EQ(copy[text.size()], u'\0');
        std::uint32_t prefix = 0;
        std::memcpy(&prefix, reinterpret_cast<const char*>(copy) - sizeof prefix, sizeof prefix);
        EXPECT_EQ(prefix, text.size() * sizeof(OLECHAR)) << "length prefix counts bytes";
        SysFreeString(copy);
    }
}

TEST(PlatformComOleAutoTest, NullStringIsEmpty) {
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
}

TEST(PlatformComOleAutoTest, VariantClearFreesItsStringAndEmptiesIt) {
    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(value.vt, VT_EMPTY);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(u"held");
    EXPECT_EQ(VariantClear(&value), S_OK);
    EXPECT_EQ(value.vt, VT_EMPTY);
    EXPECT_EQ(value.bstrVal, nullptr);
    EXPECT_EQ(VariantClear(&value), S_OK) << "clearing twice frees nothing twice";

    value.vt = VT_I4;
    value.lVal = 42;
    EXPECT_EQ(VariantClear(&value), S_OK);
    EXPECT_EQ(value.vt, VT_EMPTY);
    EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
}

} // namespace
