// The command-line entry: zipfile FILE [true].
#include "Lang/Exception.h"
#include "Lang/Throw.h"
#include "System/Path.h"
#include "System/Win32/ZipFile.h"
#include "app/ItemWord.h"

#include <QString>

#include <string_view>

namespace {

// Command-line word `index` as text; an absent word is empty. QString drops a byte-order mark at the
// start of the bytes, and the word keeps it: "\uFEFFa" would name the file a, "\uFEFFtrue" would move.
QString argument(int argc, char** argv, int index) {
    if (index >= argc)
        return QString();
    QString text(argv[index]);
    if (std::string_view(argv[index]).starts_with("\xEF\xBB\xBF"))
        text.prepend(QChar(0xFEFF));
    return text;
}

// The UTF-16 units of `text` up to its first NUL.
Lang::String toText(const QString& text) {
    const Lang::String units(reinterpret_cast<const char16_t*>(text.unicode()),
                             static_cast<std::size_t>(text.size()));
    return units.substr(0, units.find(u'\0'));
}

// No word, or more than two: the tool would guess what was meant (zipfile *.log would pack only the
// first match), so it refuses before anything is touched.
void requireOneOrTwoWords(int argc) {
    if (argc < 2 || argc > 3)
        LANG_THROW(Lang::Exception(u"usage: zipfile FILE [true]", Lang::unknownLocation()));
}

} // namespace

int main(int argc, char** argv) {
    requireOneOrTwoWords(argc);
    const QString item = argument(argc, argv, 1);
    const Lang::String itemText = App::itemText(argv[1], toText(item));
    const System::Path fileToBeZipped(itemText);
    // The word's own end is never mapped, so ".zip" goes after the mapped text as after the word.
    const System::Path zipFile(itemText + toText(QString::fromUtf8(".zip")));
    const bool moveFile = argument(argc, argv, 2).toLower().compare(QString("true"), Qt::CaseSensitive) == 0;
    System::Win32::ZipFile::zip(zipFile, fileToBeZipped, moveFile);
    return 0;
}
