// Readable texts for the runtime library's errno values (Microsoft numbering).
#include "Lang/ErrnoText.h"

#include <algorithm>
#include <iterator>

namespace Lang {

namespace {

struct ErrnoRow {
    int value;
    const char16_t* text;
};

constexpr ErrnoRow kErrnoRows[] = {
    {0, u"No Error"},
    {2, u"No such file or directory. The named file or folder does not exist or cannot be found. "
        u"This happens whenever a named file does not exist or a component of a path names no "
        u"existing folder."},
    {7, u"Argument list too long."},
    {8, u"Exec format error. A file was to be executed that is not executable or whose executable "
        u"format is invalid."},
    {9, u"Bad file number. There are two possible causes: the file descriptor is not valid or does "
        u"not refer to an open file, or a write was attempted on a file or device that was opened "
        u"for reading only."},
    {10, u"No spawned processes."},
    {11, u"No more processes. A new process could not be created because no process slots are "
         u"left, because there is not enough memory, or because the maximum nesting level has "
         u"been reached."},
    {12, u"Not enough core. Not enough memory is available for the operation, for example to start "
         u"a child process or to allocate the buffer of a working-directory query."},
    {13, u"Permission denied. The permission settings or the attributes of the file do not allow "
         u"the access, for example when reading a file that is not open, writing to a read-only "
         u"file, opening a folder as a file, running into a locking or sharing violation, or "
         u"renaming or removing a folder."},
    {17, u"Files exist. A file was to be created that already exists, for example by an open "
         u"with the exclusive-create flags."},
    {18, u"Cross-device link. A file was to be moved to a different device by renaming it."},
    {22, u"Invalid argument. A function argument has an invalid value, for example a seek origin "
         u"that lies before the start of the file."},
    {24, u"Too many open files. No more file descriptors are available."},
    {28, u"No space left on device. No space for writing is left on the device, for example "
         u"because the disk is full."},
    {33, u"Math argument."},
    {34, u"Result too large. An argument of a math function is too large, so that the result loses "
         u"significance, or an argument is larger than expected elsewhere, for example the buffer "
         u"argument of a working-directory query."},
    {36, u"Resource deadlock would occur. The argument to a math function is not in the domain of "
         u"the function."},
    {42, u"Illegal sequence of bytes (for example, in an MBCS string)."},
    {80, u"A string copy or concatenation resulted in a truncated string."},
};

} // namespace

String errnoText(int errnoValue) {
    const auto row =
        std::find_if(std::begin(kErrnoRows), std::end(kErrnoRows),
                     [errnoValue](const ErrnoRow& candidate) { return candidate.value == errnoValue; });
    return row == std::end(kErrnoRows) ? String(u"Unknown Errno") : String(row->text);
}

} // namespace Lang
