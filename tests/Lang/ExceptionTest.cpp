// Tests of the exception base, the null-pointer exception, the location helpers and quoting.
#include "Lang/Exception.h"
#include "Lang/NullPointerException.h"
#include "Lang/Quote.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace System::Io {
class File {};
} // namespace System::Io

namespace {

using Lang::String;

// Reports a text of its own through what(), as a subclass that builds its text late does.
class LateTextException : public Lang::Exception {
public:
    LateTextException() : Exception(String(), u"Io/File(1) : System::Io::File::open") {}
    const char* what() const noexcept override { return "late text"; }
};

TEST(ExceptionTest, WideMessagesAreStoredAsWindows1252) {
    struct Case {
        String message;
        std::string expected;
    };
    const Case kCases[] = {
        {u"", ""},
        {u"file is not open", "file is not open"},
        {u"price \u20AC5", "price \x80"
                           "5"},
        {u"\u4E2D file", "&#x4E2D; file"},
        {String{0xD83D, 0xDE00}, "&#x1F600;"},
    };
    for (const Case& c : kCases) {
        const Lang::Exception e(c.message, Lang::unknownLocation());
        EXPECT_EQ(std::string(e.what()), c.expected) << c.expected;
        EXPECT_EQ(String(e.getLocation()), u"Unknown Location") << c.expected;
    }
}

TEST(ExceptionTest, SetMessageReplacesTheMessageAndNamesAnEmptyOne) {
    struct Case {
        String message;
        std::string expected;
    };
    const Case kCases[] = {
        {u"", "(null message)"},
        {u"disk full", "disk full"},
        {u"\u0100", "&#x100;"},
    };
    for (const Case& c : kCases) {
        Lang::Exception e(u"before", Lang::unknownLocation());
        e.setMessage(c.message);
        EXPECT_EQ(std::string(e.what()), c.expected) << c.expected;
    }
}

TEST(ExceptionTest, NarrowConstructorKeepsTheMessageAndWidensTheLocation) {
    const Lang::Exception e(std::string("Invalid \xE9 &#x4E2D;"), std::string("System/Path(9) : caf\xE9"));
    EXPECT_EQ(std::string(e.what()), "Invalid \xE9 &#x4E2D;");
    EXPECT_EQ(String(e.getLocation()), u"System/Path(9) : caf\u00E9");
}

// Assignment could not read through the virtual operations as the copy does.
static_assert(!std::is_copy_assignable_v<Lang::Exception>);

TEST(ExceptionTest, CopiesKeepMessageAndLocationReadThroughTheVirtualFunctions) {
    Lang::Exception original(u"file is not open", Lang::unknownLocation());
    original.setLocation(u"Io/File(3) : System::Io::File::write");
    const Lang::Exception copy(original);
    EXPECT_EQ(std::string(copy.what()), "file is not open");
    EXPECT_EQ(String(copy.getLocation()), u"Io/File(3) : System::Io::File::write");

    const Lang::Exception sliced(LateTextException{});
    EXPECT_EQ(std::string(sliced.what()), "late text");
    EXPECT_EQ(String(sliced.getLocation()), u"Io/File(1) : System::Io::File::open");
}

TEST(ExceptionTest, AttachLocationStampsWideAndNarrowTexts) {
    Lang::Exception e(u"message", Lang::unknownLocation());
    EXPECT_EQ(&Lang::attachLocation(e, u"Io/File(3) : \u4E2D"), &e);
    EXPECT_EQ(String(e.getLocation()), u"Io/File(3) : \u4E2D");
    EXPECT_EQ(&Lang::attachLocation(e, "System/Path(4) : caf\xE9 &#x4E2D;"), &e);
    EXPECT_EQ(String(e.getLocation()), u"System/Path(4) : caf\u00E9 \u4E2D");
    EXPECT_EQ(&e.setLocation(u""), &e);
    EXPECT_EQ(String(e.getLocation()), u"");
}

TEST(ExceptionTest, SharedDefaultTexts) {
    EXPECT_EQ(Lang::unknownLocation(), u"Unknown Location");
    EXPECT_EQ(Lang::unknownException(), u"Unknown Exception");
    EXPECT_EQ(&Lang::unknownLocation(), &Lang::unknownLocation());
    EXPECT_EQ(&Lang::unknownException(), &Lang::unknownException());
}

TEST(ExceptionTest, NullPointerMessageNamesTheType) {
    struct Case {
        const std::type_info& type;
        std::string expected;
    };
    const Case kCases[] = {
        {typeid(System::Io::File), "NULL class System::Io::File pointer"},
        {typeid(Lang::Exception), "NULL class Lang::Exception pointer"},
        {typeid(int), "NULL int pointer"},
        {typeid(char16_t), "NULL char16_t pointer"},
    };
    for (const Case& c : kCases) {
        const Lang::NullPointerException e(c.type, u"Mem/RefCount(5) : Rc::Pointer::get");
        EXPECT_EQ(std::string(e.what()), c.expected) << c.expected;
        EXPECT_EQ(String(e.getLocation()), u"Mem/RefCount(5) : Rc::Pointer::get") << c.expected;
    }
}

TEST(ExceptionTest, QuoteSurroundsTheText) {
    struct Case {
        String text;
        char16_t quoteChar;
        String expected;
    };
    const Case kCases[] = {
        {u"", u'"', u"\"\""},
        {u"C:\\data\\report.txt", u'"', u"\"C:\\data\\report.txt\""},
        {u"it's", u'\'', u"'it's'"},
    };
    for (const Case& c : kCases) {
        EXPECT_EQ(Lang::quote(c.text, c.quoteChar), c.expected);
        const std::string narrow(c.text.begin(), c.text.end());
        const std::string expectedNarrow(c.expected.begin(), c.expected.end());
        EXPECT_EQ(Lang::quote(narrow, static_cast<char>(c.quoteChar)), expectedNarrow) << expectedNarrow;
    }
}

} // namespace
