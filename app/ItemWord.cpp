// The item word of the command line: refused where it would name another file, else mapped.
#include "app/ItemWord.h"

#include "Lang/Exception.h"
#include "Lang/Throw.h"
#include "Lang/Utf8.h"
#include "Platform/PathText.h"
#include "app/ParentSteps.h"

#include <algorithm>

namespace App {

namespace {

bool isSeparator(char16_t unit) {
    return unit == u'/' || unit == u'\\';
}

bool isQuote(char16_t unit) {
    return unit == u'"' || unit == u'\'';
}

// A stand-in typed in the word would reach the system as the character it stands for, another name.
// The message shows such a word as a word that is not UTF-8 is shown, with U+FFFD where the stand-in
// is: shown as the character it stands for, it would read as another name too.
Lang::String withoutStandIns(Lang::String text) {
    std::replace_if(
        text.begin(), text.end(), [](char16_t unit) { return Platform::fromStandIn(unit) != unit; },
        u'\uFFFD');
    return text;
}

bool changesAtAnEnd(char16_t unit) {
    return Platform::nameEndForm(unit) != char32_t{unit};
}

// "a/", "a/." and ".." name a folder, or nothing where "a" is a file, while the path rules drop the
// end and leave "a": the archive would go inside the item.
bool endsWithoutAFileName(const Lang::String& text) {
    const std::size_t separator = text.find_last_of(u"/\\");
    const Lang::String name = separator == Lang::String::npos ? text : text.substr(separator + 1);
    return name.empty() || name == u"." || name == u"..";
}

[[noreturn]] void refuse(const Lang::String& text) {
    LANG_THROW(Lang::Exception(u"Invalid zip file: " + text, Lang::unknownLocation()));
}

// A double quote stays as it is, for the path rules to refuse.
void mapFolderEnd(char16_t& unit, const Lang::String& text) {
    if (unit == u'"')
        return;
    const auto form = Platform::nameEndForm(unit);
    if (!form)
        refuse(text);
    unit = static_cast<char16_t>(*form);
}

} // namespace

Lang::String itemText(const char* word, const Lang::String& text) {
    if (!Lang::isValidUtf8(word))
        refuse(text);
    if (const Lang::String shown = withoutStandIns(text); shown != text)
        refuse(shown);
    if (text.empty())
        return text;
    const bool beginsWithFolder = text.find_first_of(u"/\\") != Lang::String::npos;
    if (changesAtAnEnd(text.back()) || isQuote(text.front()) ||
        (!beginsWithFolder && changesAtAnEnd(text.front())) || endsWithoutAFileName(text))
        refuse(text);
    if (!parentStepsAgree(word))
        refuse(text);
    Lang::String mapped = text;
    if (beginsWithFolder)
        mapFolderEnd(mapped.front(), text);
    for (std::size_t i = 1; i < mapped.size(); ++i) {
        if (isSeparator(mapped[i]) && !isSeparator(mapped[i - 1]))
            mapFolderEnd(mapped[i - 1], text);
    }
    return mapped;
}

} // namespace App
