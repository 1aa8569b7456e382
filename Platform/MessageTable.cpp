// FormatMessageW over a built-in English message table: every Win32 code and HRESULT the stand-ins
// produce, each text ending in CR LF as the system's texts do.
#include "Platform/LastError.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace {

struct MessageRow {
    DWORD id;
    const char16_t* text;
};

constexpr MessageRow kMessages[] = {
    {ERROR_SUCCESS, u"The operation completed successfully."},
    {ERROR_FILE_NOT_FOUND, u"The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, u"The system cannot find the path specified."},
    {ERROR_TOO_MANY_OPEN_FILES, u"The system cannot open the file."},
    {ERROR_ACCESS_DENIED, u"Access is denied."},
    {ERROR_INVALID_HANDLE, u"The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, u"Not enough memory resources are available to process this command."},
    {ERROR_OUTOFMEMORY, u"Not enough memory resources are available to complete this operation."},
    {ERROR_NOT_SAME_DEVICE, u"The system cannot move the file to a different disk drive."},
    {ERROR_INVALID_DATA, u"The data is invalid."},
    {ERROR_NO_MORE_FILES, u"There are no more files."},
    {ERROR_WRITE_FAULT, u"The system cannot write to the specified device."},
    {ERROR_READ_FAULT, u"The system cannot read from the specified device."},
    {ERROR_GEN_FAILURE, u"A device attached to the system is not functioning."},
    {ERROR_SHARING_VIOLATION,
     u"The process cannot access the file because it is being used by another process."},
    {ERROR_HANDLE_EOF, u"Reached the end of the file."},
    {ERROR_HANDLE_DISK_FULL, u"The disk is full."},
    {ERROR_NOT_SUPPORTED, u"The request is not supported."},
    {ERROR_BAD_NETPATH, u"The network path was not found."},
    {ERROR_FILE_EXISTS, u"The file exists."},
    {ERROR_INVALID_PARAMETER, u"The parameter is incorrect."},
    {ERROR_DISK_FULL, u"There is not enough space on the disk."},
    {ERROR_CALL_NOT_IMPLEMENTED, u"This function is not supported on this system."},
    {ERROR_INSUFFICIENT_BUFFER, u"The data area passed to a system call is too small."},
    {ERROR_INVALID_NAME, u"The filename, directory name, or volume label syntax is incorrect."},
    {ERROR_NEGATIVE_SEEK, u"An attempt was made to move the file pointer before the beginning of the file."},
    {ERROR_SEEK_ON_DEVICE, u"The file pointer cannot be set on the specified device or file."},
    {ERROR_DIR_NOT_EMPTY, u"The directory is not empty."},
    {ERROR_BUSY, u"The requested resource is in use."},
    {ERROR_ALREADY_EXISTS, u"Cannot create a file when that file already exists."},
    {ERROR_FILENAME_EXCED_RANGE, u"The filename or extension is too long."},
    {ERROR_FILE_TOO_LARGE, u"The file size exceeds the limit allowed and cannot be saved."},
    {ERROR_DIRECTORY, u"The directory name is invalid."},
    {ERROR_MR_MID_NOT_FOUND,
     u"The system cannot find message text for message number 0x%1 in the message file for %2."},
    {ERROR_NOACCESS, u"Invalid access to memory location."},
    {ERROR_IO_DEVICE, u"The request could not be performed because of an I/O device error."},
    {ERROR_CANCELLED, u"The operation was canceled by the user."},
    {ERROR_FILE_CORRUPT, u"The file or directory is corrupted and unreadable."},
    {ERROR_CANT_RESOLVE_FILENAME, u"The name of the file cannot be resolved by the system."},
    {static_cast<DWORD>(E_NOINTERFACE), u"No such interface supported"},
    {static_cast<DWORD>(E_POINTER), u"Invalid pointer"},
    {static_cast<DWORD>(E_FAIL), u"Unspecified error"},
    {static_cast<DWORD>(RPC_E_CHANGED_MODE), u"Cannot change thread mode after it is set."},
    {static_cast<DWORD>(CO_E_NOTINITIALIZED), u"CoInitialize has not been called."},
    {static_cast<DWORD>(CO_E_CLASSSTRING), u"Invalid class string"},
    {static_cast<DWORD>(REGDB_E_CLASSNOTREG), u"Class not registered"},
    {static_cast<DWORD>(CLASS_E_NOAGGREGATION),
     u"Class does not support aggregation (or class object is remote)"},
};

constexpr DWORD kWin32FacilityMask = 0xFFFF0000;
constexpr DWORD kWin32Failure = 0x80070000;

const char16_t* findText(DWORD id) {
    const auto row = std::find_if(std::begin(kMessages), std::end(kMessages),
                                  [id](const MessageRow& candidate) { return candidate.id == id; });
    return row == std::end(kMessages) ? nullptr : row->text;
}

// The table's text for a code; an HRESULT_FROM_WIN32 value reads as the Win32 code it carries.
const char16_t* messageText(DWORD id) {
    if (const char16_t* text = findText(id)) {
        return text;
    }
    if ((id & kWin32FacilityMask) == kWin32Failure) {
        return findText(id & ~kWin32FacilityMask);
    }
    return nullptr;
}

DWORD failMessage(DWORD error) {
    Platform::failWith(error);
    return 0;
}

// Copies the message into a LocalAlloc block of at least `minimumUnits` WCHARs stored at `*target`.
DWORD deliverAllocated(const std::u16string& message, LPWSTR* target, DWORD minimumUnits) {
    if (target == nullptr) {
        return failMessage(ERROR_INVALID_PARAMETER);
    }
    *target = nullptr;
    const std::size_t units = std::max<std::size_t>(minimumUnits, message.size() + 1);
    auto* block = static_cast<LPWSTR>(LocalAlloc(LMEM_FIXED, units * sizeof(WCHAR)));
    if (block == nullptr) {
        return 0;
    }
    std::copy(message.c_str(), message.c_str() + message.size() + 1, block);
    *target = block;
    Platform::succeed();
    return static_cast<DWORD>(message.size());
}

DWORD deliverInto(const std::u16string& message, LPWSTR buffer, DWORD size) {
    if (buffer == nullptr) {
        return failMessage(ERROR_INVALID_PARAMETER);
    }
    if (size < message.size() + 1) {
        return failMessage(ERROR_INSUFFICIENT_BUFFER);
    }
    std::copy(message.c_str(), message.c_str() + message.size() + 1, buffer);
    Platform::succeed();
    return static_cast<DWORD>(message.size());
}

} // namespace

DWORD FormatMessageW(DWORD flags, LPCVOID /*source*/, DWORD messageId, DWORD /*languageId*/, LPWSTR buffer,
                     DWORD size, va_list* /*arguments*/) {
    return Platform::guarded(DWORD{0}, [&] {
        if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0) {
            return failMessage(ERROR_INVALID_PARAMETER);
        }
        const char16_t* text = messageText(messageId);
        if (text == nullptr) {
            return failMessage(ERROR_MR_MID_NOT_FOUND);
        }
        const std::u16string message = std::u16string(text) + u"\r\n";
        // Inserts are only ever passed through: filling them from arguments is not offered.
        if ((flags & FORMAT_MESSAGE_IGNORE_INSERTS) == 0 && message.find(u'%') != std::u16string::npos) {
            return failMessage(ERROR_INVALID_PARAMETER);
        }
        if ((flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0) {
            return deliverAllocated(message, reinterpret_cast<LPWSTR*>(buffer), size);
        }
        return deliverInto(message, buffer, size);
    });
}
