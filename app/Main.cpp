// The command-line entry: zipfile FILE [true].
#include "Lang/CharClass.h"
#include "Lang/Exception.h"
#include "Lang/Throw.h"
#include "Lang/Utf8.h"
#include "System/Path.h"
#include "System/Win32/ZipFile.h"

#include <QString>

namespace {

// Command-line word `index` as text; an absent word is empty.
QString argument(int argc, char** argv, int index) {
    return index < argc ? QString(argv[index]) : QString();
}

// The UTF-16 units of `text` up to its first NUL.
Lang::String toText(const QString& text) {
    const Lang::String units(reinterpret_cast<const char16_t*>(text.unicode()),
                             static_cast<std::size_t>(text.size()));
    return units.substr(0, units.find(u'\0'));
}

bool isChangedAtTheEnds(char16_t unit) {
    return Lang::isSpace(unit) || unit == u'"' || unit == u'\'';
}

// The archive is named after the word as typed, while building a path trims white space and quote
// marks at its ends: ' a.txt' would pack a.txt into ' a.txt.zip', or move another file. Such a
// word, and one that is not valid UTF-8 (it would name another file), is refused before anything is
// touched.
void refuseAmbiguousItem(const char* word, const QString& item) {
    const Lang::String text = toText(item);
    const bool changedAtTheEnds =
        !text.empty() && (isChangedAtTheEnds(text.front()) || isChangedAtTheEnds(text.back()));
    if (changedAtTheEnds || !Lang::isValidUtf8(word))
        LANG_THROW(Lang::Exception(u"Invalid zip file: " + text, Lang::unknownLocation()));
}

} // namespace

int main(int argc, char** argv) {
    const QString item = argument(argc, argv, 1);
    if (argc > 1)
        refuseAmbiguousItem(argv[1], item);
    const System::Path fileToBeZipped(toText(item));
    const System::Path zipFile(toText(QString(item).append(QString::fromUtf8(".zip"))));
    const bool moveFile = argument(argc, argv, 2).toLower().compare(QString("true"), Qt::CaseSensitive) == 0;
    System::Win32::ZipFile::zip(zipFile, fileToBeZipped, moveFile);
    return 0;
}
