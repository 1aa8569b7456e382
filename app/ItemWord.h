// The item word of the command line as the text the path rules get.
#pragma once

#include "Lang/String.h"

namespace App {

// The path text for the item word: `word` as typed (bytes), `text` its UTF-16 units. The path rules
// trim white space and drop a quote mark at the ends of a text, and a folder's name ends a text when
// the path is cut back to it, so a folder's last character of that kind travels as its stand-in, and
// so does the first character of a word that begins with a folder ("sp /f", " lead/f").
//
// Refused, with "Invalid zip file: " and the word as typed, before anything is touched: a word that
// is not valid UTF-8 or holds a stand-in itself (either would name another file; a stand-in is shown
// as U+FFFD); a word that the rules would change at its own ends where they belong to the file's name
// ("a.txt ", " a.txt"), as the archive is named after the word as typed, or that begins with a quote
// mark; a word whose last name is empty, "." or ".." ("a/", "a/.": a folder, never a file); white
// space without a stand-in where it would have to travel as one; and a word whose ".." steps the
// file system would take elsewhere (see parentStepsAgree).
Lang::String itemText(const char* word, const Lang::String& text);

} // namespace App
