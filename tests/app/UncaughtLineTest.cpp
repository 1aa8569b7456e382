// Tests of the line the tool writes when a failure ends it.
#include "app/UncaughtLine.h"

#include <gtest/gtest.h>

namespace {

TEST(UncaughtLineTest, DecodesTheMessageForAUtf8Terminal) {
    struct Case {
        const char* what;
        const char* expected;
    };
    const Case cases[] = {
        {"Access is denied.\r\n", "zipfile: Access is denied.\n"},
        {"", "zipfile: \n"},
        {"Invalid zip file: \\tmp\\r\xE9sum\xE9.txt",
         "zipfile: Invalid zip file: \\tmp\\r\xC3\xA9sum\xC3\xA9.txt\n"},
        {"Invalid zip file: \\tmp\\&#x65E5;&#x672C;.txt",
         "zipfile: Invalid zip file: \\tmp\\\xE6\x97\xA5\xE6\x9C\xAC.txt\n"},
        {"Invalid zip file: \\tmp\\&#x1F600;", "zipfile: Invalid zip file: \\tmp\\\xF0\x9F\x98\x80\n"},
        {"\x80 &#xFFFD;", "zipfile: \xE2\x82\xAC \xEF\xBF\xBD\n"},
        // Names' reserved characters and name ends travel as U+F000 plus their value and are shown as
        // themselves; a U+F0xx that stands for nothing is itself.
        {"\\data\\2024&#xF03A;q1 &#xF02A;&#xF05C;", "zipfile: \\data\\2024:q1 *\\\n"},
        {"\\photos&#xF020;\\&#xF02E;..\\nbsp&#xF0A0;", "zipfile: \\photos \\...\\nbsp\xC2\xA0\n"},
        {"&#xF000; &#xF080; &#xF02F; &#xF041;",
         "zipfile: \xEF\x80\x80 \xEF\x82\x80 \xEF\x80\xAF \xEF\x81\x81\n"},
        // The message stays one line: line ends inside it become a space, control characters '?'.
        {"two\r\nlines\r\n", "zipfile: two lines\n"},
        {"Invalid zip file: \\tmp\\nl&#xF00A;folder\\a.txt",
         "zipfile: Invalid zip file: \\tmp\\nl folder\\a.txt\n"},
        {"a\n\n\rb\rc", "zipfile: a b c\n"},
        {"a&#x2028;b&#x2029;&#x2028;c", "zipfile: a b c\n"},
        {"&#xF01B;[31mred&#xF001;&#xF085;\x7F&#x9B;", "zipfile: ?[31mred????\n"},
        {"tab\tkept", "zipfile: tab\tkept\n"},
        // A stand-in for CR or LF at the end is dropped like the line end it shows as.
        {"r&#xF00D;", "zipfile: r\n"},
        {"name&#xF00A;&#xF00D;\r\n", "zipfile: name\n"},
        {"&#xD;&#xA;", "zipfile: \n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(App::uncaughtLine(c.what), c.expected) << c.what;
}

} // namespace
