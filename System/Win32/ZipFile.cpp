// The zip operation: an empty archive, then the shell's compressed folder copies or moves the file in.
//
// The write path of a run, stage by stage, with the files each makes (named in the README's known limits):
// 1. Checks, before anything is written: the item is a file, FILE.zip is not a folder nor the item
//    itself, and both names fit the system's limits.
// 2. TemporaryArchive creates the staged archive beside FILE.zip, exclusively, holding the empty-archive
//    record: the compressed folder the shell opens.
// 3. For a move, ItemBackup gives the item a second name (a hard link), so it can be put back.
// 4. The shell (a stand-in, in Platform/Com) writes its new archive beside the staged one, reads it
//    back, renames it over the staged one (not synced: only this run reads it) and, for a move, then
//    removes the item's name if the item did not change while it was read.
// 5. TemporaryArchive::commit renames the staged archive over FILE.zip write-through: the file's data
//    is synced, then renamed, then the folder synced. This is the run's one file sync and one folder
//    sync, and exit status 0 means the archive is on disk.
// 6. For a move, the second name goes.
// A failure at any stage before 5 removes what the run made and, for a move, gives the item its name
// back; a signal (Ctrl-C, TERM, HUP) is such a failure until the rename of stage 5.
//
// Who keeps which promise:
// - The old FILE.zip survives every failure: this file, as FILE.zip is replaced in one rename and only
//   once the shell has finished. The shell's own replacement of the staged archive keeps the same
//   promise for the staged one, as the Windows shell does for any archive; the framework does not rely
//   on it.
// - A moved file is never lost: ItemBackup's second name, until FILE.zip is in place. The shell removes
//   the item only after its archive is complete, which alone would not cover stage 5.
// - One clean failure line: every failure is an exception that the entry's runtime start-up
//   (app/Startup.cpp) prints as one line, with exit status 3, or 128 + the signal's number.
#include "System/Win32/ZipFile.h"

#include "Lang/Throw.h"
#include "Platform/Com/ShlDisp.h"
#include "System/FileSystem.h"
#include "System/Win32/ComPointer.h"
#include "System/Win32/FileInformation.h"
#include "System/Win32/ItemBackup.h"
#include "System/Win32/NameLimit.h"
#include "System/Win32/ScopeEnableCom.h"
#include "System/Win32/TemporaryArchive.h"
#include "System/Win32/Variant.h"
#include "Win32/Exception.h"

#include <optional>

namespace System::Win32 {

namespace {

constexpr DWORD kPollInterval = 100;
constexpr DWORD kWaitLimit = 5000;

// The working directory, read once, where a path needs it. A relative path cannot do without it. A
// rooted one takes its root, and where it cannot be read (it has been removed) stays rooted, for the
// system to resolve against the current drive itself: the name is complete without it.
std::optional<Path> workingDirectoryFor(const Path& zipFile, const Path& fileToBeZipped) {
    const auto either = [&](RootKind kind) {
        return zipFile.getRootKind() == kind || fileToBeZipped.getRootKind() == kind;
    };
    if (either(Relative))
        return FileSystem::instance().getWorkingDirectory();
    if (!either(Rooted))
        return std::nullopt;
    try {
        return FileSystem::instance().getWorkingDirectory();
    } catch (const ::Win32::Exception&) {
        return std::nullopt;
    }
}

// Puts a path that does not name its drive or share under the working directory: a relative path
// whole (sub\report.txt stays under its folder), a rooted one under the working directory's root.
void resolve(Path& path, const std::optional<Path>& workingDirectory) {
    if (!workingDirectory)
        return;
    switch (path.getRootKind()) {
    case Relative:
        path.setRoot(*workingDirectory);
        return;
    case Rooted:
        path.setRoot(workingDirectory->getRoot());
        return;
    default:
        return;
    }
}

// The text after the last backslash, exactly as it stands.
Lang::String lastComponent(const Path& path) {
    const Lang::String& text = path.str();
    const std::size_t separator = text.rfind(u'\\');
    return separator == Lang::String::npos ? text : text.substr(separator + 1);
}

// Helpers given an `operation` raise on behalf of the zip operation: it is the operation's
// __PRETTY_FUNCTION__, so that their failures name the operation, as its callers know it.
[[noreturn]] void throwInvalidZipFile(const Path& path, const char* operation) {
    LANG_THROW_FOR(operation,
                   Lang::Exception(u"Invalid zip file: " + path.toString(), Lang::unknownLocation()));
}

// A folder where the archive is to go cannot be replaced by it.
void refuseFolderInTheWay(const Path& zipFile) {
    if (FileSystem::instance().isDirectory(zipFile))
        throw ::Win32::Exception(ERROR_ACCESS_DENIED, LANG_LOCATION());
}

// An item that is its own archive (a link to FILE.zip, say) would be packed into the new archive that
// replaces it: the old archive would not survive as it was, and a copy would change the item.
void refuseItemAsItsOwnArchive(const Path& zipFile, const Path& fileToBeZipped, const char* operation) {
    const auto archive = fileInformation(zipFile);
    const auto item = fileInformation(fileToBeZipped);
    if (archive && item && identityOf(*archive) == identityOf(*item))
        throwInvalidZipFile(zipFile, operation);
}

// The "Shell.Application" object, or null when any step of making it fails.
void createShell(ComPointer<IShellDispatch>& shell) {
    CLSID classId;
    if (FAILED(CLSIDFromProgID(u"Shell.Application", &classId)))
        return;
    IUnknown* unknown = nullptr;
    if (FAILED(CoCreateInstance(classId, nullptr, CLSCTX_ALL, IID_IUnknown,
                                reinterpret_cast<LPVOID*>(&unknown))))
        return;
    if (SUCCEEDED(OleRun(unknown)))
        unknown->QueryInterface(IID_IShellDispatch, reinterpret_cast<void**>(shell.receive()));
    unknown->Release();
}

// Calls `done` every 100 ms until it answers true; more than 5000 ms of waiting is a failure.
template <class Condition>
void waitUntil(Condition done, const char* operation) {
    for (DWORD waited = 0; !done(); waited += kPollInterval) {
        if (waited > kWaitLimit)
            // Kept: the message's spelling is the one callers and scripts have seen.
            LANG_THROW_FOR(operation,
                           Lang::Exception(u"Took too lonng to zip file", Lang::unknownLocation()));
        Sleep(kPollInterval);
    }
}

// A failure the shell answers is reported at once with its own cause; a success without a folder is
// caught where the folder is used.
void check(HRESULT hr, const char* operation) {
    if (FAILED(hr))
        LANG_THROW_FOR(operation, ::Win32::Exception(static_cast<DWORD>(hr)));
}

bool listsItem(Folder& archiveFolder, const Path& item) {
    const Variant name(lastComponent(item));
    ComPointer<FolderItem> entry;
    archiveFolder.ParseName(name.get().bstrVal, entry.receive());
    return entry.get() != nullptr;
}

// Hands the item to the archive folder and waits until the shell is done with it. A failed call is
// reported at once with its own cause.
void packThroughShell(TemporaryArchive& archive, const Path& fileToBeZipped, bool moveFile,
                      const char* operation) {
    const Variant archiveText(archive.path().toString());
    const Variant parentText(fileToBeZipped.getParent().toString());
    ComPointer<IShellDispatch> shell;
    createShell(shell);
    // Kept: a shell that could not be made is used anyway, and fails as "Invalid pointer".
    ComPointer<Folder> archiveFolder;
    check(shell->NameSpace(archiveText.get(), archiveFolder.receive()), operation);
    ComPointer<Folder> parentFolder;
    check(shell->NameSpace(parentText.get(), parentFolder.receive()), operation);
    // Kept: the parent folder's items are asked for, unchecked, and never used.
    ComPointer<FolderItems> parentItems;
    parentFolder->Items(parentItems.receive());
    const Variant options;
    const Variant itemText(fileToBeZipped.toString());
    const HRESULT hr = moveFile ? archiveFolder->MoveHere(itemText.get(), options.get())
                                : archiveFolder->CopyHere(itemText.get(), options.get());
    if (hr != S_OK)
        LANG_THROW_FOR(operation, ::Win32::Exception(static_cast<DWORD>(hr)));
    if (moveFile) {
        waitUntil([&] { return !FileSystem::instance().exists(fileToBeZipped); }, operation);
    } else {
        waitUntil([&] { return listsItem(*archiveFolder.get(), fileToBeZipped); }, operation);
    }
}

Lang::String messageOf(const _com_error& error) {
    const WCHAR* message = error.ErrorMessage();
    return message != nullptr ? Lang::String(message) : Lang::String();
}

// The zip operation's one handler: an automation error becomes a Lang::Exception with its message.
template <class Work>
auto translatingComErrors(Work work, const char* operation) {
    try {
        return work();
    } catch (const _com_error& error) {
        LANG_THROW_FOR(operation, Lang::Exception(messageOf(error), Lang::unknownLocation()));
    }
}

void pack(TemporaryArchive& archive, const Path& fileToBeZipped, bool moveFile, const char* operation) {
    translatingComErrors([&] { packThroughShell(archive, fileToBeZipped, moveFile, operation); }, operation);
}

void copyIntoArchive(TemporaryArchive& archive, const Path& fileToBeZipped, const char* operation) {
    pack(archive, fileToBeZipped, false, operation);
    archive.commit();
}

// Whether the archive at `zipFile`, opened through the shell as a compressed folder, lists the item.
bool archiveLists(const Path& zipFile, const Path& item, const char* operation) {
    const Variant archiveText(zipFile.toString());
    ComPointer<IShellDispatch> shell;
    createShell(shell);
    ComPointer<Folder> archiveFolder;
    check(shell->NameSpace(archiveText.get(), archiveFolder.receive()), operation);
    return listsItem(*archiveFolder.get(), item);
}

// Without a second name nothing could put the item back once the shell had removed it, so it is packed
// as a copy and keeps its name until the archive is in place and lists it.
void moveWithoutSecondName(TemporaryArchive& archive, const Path& zipFile, const Path& fileToBeZipped,
                           ItemBackup& backup, const char* operation) {
    pack(archive, fileToBeZipped, false, operation);
    backup.checkUnchanged();
    archive.commit();
    if (!translatingComErrors([&] { return archiveLists(zipFile, fileToBeZipped, operation); }, operation))
        throwInvalidZipFile(zipFile, operation);
    backup.removeItem();
}

// The shell removes a moved item before the new archive is in place; while it is not, the item keeps
// a second name, and gets its name back when the archive cannot be put in place. Only when that fails
// too is the new archive kept, as it then holds the only copy of the item.
void moveIntoArchive(TemporaryArchive& archive, const Path& zipFile, const Path& fileToBeZipped,
                     const char* operation) {
    ItemBackup backup(fileToBeZipped);
    if (!backup.hasSecondName()) {
        moveWithoutSecondName(archive, zipFile, fileToBeZipped, backup, operation);
        return;
    }
    try {
        pack(archive, fileToBeZipped, true, operation);
        backup.itemMoved();
        archive.commit();
    } catch (...) {
        if (!backup.restore())
            archive.keep();
        throw;
    }
    backup.release();
}

} // namespace

void ZipFile::zip(Path zipFile, Path fileToBeZipped, bool moveFile) {
    const char* const operation = __PRETTY_FUNCTION__;
    const ScopeEnableCom com;
    const std::optional<Path> workingDirectory = workingDirectoryFor(zipFile, fileToBeZipped);
    resolve(zipFile, workingDirectory);
    resolve(fileToBeZipped, workingDirectory);
    refuseOverlongName(fileToBeZipped);
    refuseOverlongName(zipFile);
    if (!FileSystem::instance().isFile(fileToBeZipped))
        throwInvalidZipFile(fileToBeZipped, operation);
    refuseFolderInTheWay(zipFile);
    refuseItemAsItsOwnArchive(zipFile, fileToBeZipped, operation);
    TemporaryArchive archive(zipFile);
    if (!FileSystem::instance().isFile(archive.path()))
        throwInvalidZipFile(zipFile, operation);
    if (moveFile)
        moveIntoArchive(archive, zipFile, fileToBeZipped, operation);
    else
        copyIntoArchive(archive, fileToBeZipped, operation);
}

} // namespace System::Win32
