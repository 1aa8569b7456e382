// Data through file handles: ReadFile, WriteFile, SetFilePointer, SetEndOfFile, FlushFileBuffers.
//
// A handle opened without data access (access 0) serves information queries only: these calls
// fail on it with ERROR_ACCESS_DENIED.
#include "Platform/LastError.h"
#include "Platform/OpenFile.h"
#include "Platform/Retried.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>

namespace {

constexpr DWORD kDataAccess = GENERIC_READ | GENERIC_WRITE;

struct Transfer {
    DWORD done;
    int error;
};

// Repeats `step` (one read or write of the rest, returning what it moved) until all `count` bytes
// have moved, the step moves nothing (end of file) or fails; an interrupted step is repeated.
template <class Step>
Transfer transferAll(DWORD count, Step step) {
    DWORD done = 0;
    while (done < count) {
        const ssize_t moved = Platform::retried([&] { return step(done); });
        if (moved < 0) {
            return {done, errno};
        }
        if (moved == 0) {
            break;
        }
        done += static_cast<DWORD>(moved);
    }
    return {done, 0};
}

off_t offsetOf(const OVERLAPPED& overlapped) {
    return static_cast<off_t>((static_cast<std::uint64_t>(overlapped.OffsetHigh) << 32) | overlapped.Offset);
}

// Whether a positional transfer of `count` bytes stays within the offsets a file can have.
bool isValidRange(const OVERLAPPED* overlapped, DWORD count) {
    return overlapped == nullptr ||
           (offsetOf(*overlapped) >= 0 && offsetOf(*overlapped) <= std::numeric_limits<off_t>::max() - count);
}

// Starts a read or write: no bytes moved yet, and the open file when the handle, its access, the
// buffer and the range allow the transfer; otherwise null with the last error set.
std::shared_ptr<Platform::OpenFile> beginTransfer(HANDLE file, DWORD access, const void* buffer, DWORD count,
                                                  DWORD* transferred, const OVERLAPPED* overlapped) {
    if (transferred != nullptr) {
        *transferred = 0;
    }
    auto open = Platform::lookUpFile(file, access);
    if (!open) {
        return nullptr;
    }
    if (buffer == nullptr && count != 0) {
        Platform::failWith(ERROR_NOACCESS);
        return nullptr;
    }
    if (!isValidRange(overlapped, count)) {
        Platform::failWith(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return open;
}

// Ends a read or write: the count, the file pointer after a positional transfer (Windows leaves it
// behind the data moved for a handle without overlapped I/O), the last error.
BOOL finishTransfer(int descriptor, const Transfer& transfer, DWORD* transferred,
                    const OVERLAPPED* overlapped) {
    if (transferred != nullptr) {
        *transferred = transfer.done;
    }
    if (overlapped != nullptr) {
        ::lseek(descriptor, offsetOf(*overlapped) + transfer.done, SEEK_SET);
    }
    return transfer.error == 0 ? Platform::succeed()
                               : Platform::failWith(Platform::win32Error(transfer.error));
}

DWORD failSeek(DWORD error) {
    Platform::failWith(error);
    return INVALID_SET_FILE_POINTER;
}

// The position that `moveMethod` counts from, or nothing with errno set.
std::optional<std::int64_t> seekBase(int descriptor, DWORD moveMethod) {
    if (moveMethod == FILE_BEGIN) {
        return 0;
    }
    if (moveMethod == FILE_CURRENT) {
        const off_t current = ::lseek(descriptor, 0, SEEK_CUR);
        return current < 0 ? std::nullopt : std::optional<std::int64_t>(current);
    }
    struct stat status {};
    return ::fstat(descriptor, &status) != 0 ? std::nullopt : std::optional<std::int64_t>(status.st_size);
}

} // namespace

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, DWORD* bytesRead, OVERLAPPED* overlapped) {
    const auto open = beginTransfer(file, GENERIC_READ, buffer, bytesToRead, bytesRead, overlapped);
    if (!open) {
        return FALSE;
    }
    auto* bytes = static_cast<unsigned char*>(buffer);
    const int descriptor = open->descriptor();
    const Transfer transfer = transferAll(bytesToRead, [&](DWORD done) {
        return overlapped != nullptr
                   ? ::pread(descriptor, bytes + done, bytesToRead - done, offsetOf(*overlapped) + done)
                   : ::read(descriptor, bytes + done, bytesToRead - done);
    });
    // A positional read that starts at or past the end fails, as on Windows.
    if (overlapped != nullptr && bytesToRead != 0 && transfer.done == 0 && transfer.error == 0) {
        return Platform::failWith(ERROR_HANDLE_EOF);
    }
    return finishTransfer(descriptor, transfer, bytesRead, overlapped);
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, DWORD* bytesWritten, OVERLAPPED* overlapped) {
    const auto open = beginTransfer(file, GENERIC_WRITE, buffer, bytesToWrite, bytesWritten, overlapped);
    if (!open) {
        return FALSE;
    }
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    const int descriptor = open->descriptor();
    const Transfer transfer = transferAll(bytesToWrite, [&](DWORD done) {
        return overlapped != nullptr
                   ? ::pwrite(descriptor, bytes + done, bytesToWrite - done, offsetOf(*overlapped) + done)
                   : ::write(descriptor, bytes + done, bytesToWrite - done);
    });
    return finishTransfer(descriptor, transfer, bytesWritten, overlapped);
}

DWORD SetFilePointer(HANDLE file, LONG distanceToMove, LONG* distanceToMoveHigh, DWORD moveMethod) {
    const auto open = Platform::lookUpFile(file, kDataAccess);
    if (!open) {
        return INVALID_SET_FILE_POINTER;
    }
    if (moveMethod > FILE_END) {
        return failSeek(ERROR_INVALID_PARAMETER);
    }
    // Without a high part the distance is a signed 32-bit value.
    const std::int64_t distance =
        distanceToMoveHigh == nullptr
            ? distanceToMove
            : static_cast<std::int64_t>(
                  (static_cast<std::uint64_t>(static_cast<DWORD>(*distanceToMoveHigh)) << 32) |
                  static_cast<DWORD>(distanceToMove));
    const auto base = seekBase(open->descriptor(), moveMethod);
    if (!base) {
        return failSeek(Platform::win32Error(errno));
    }
    std::int64_t target = 0;
    if (__builtin_add_overflow(*base, distance, &target)) {
        return failSeek(ERROR_INVALID_PARAMETER);
    }
    if (target < 0) {
        return failSeek(ERROR_NEGATIVE_SEEK);
    }
    if (distanceToMoveHigh == nullptr && target > std::numeric_limits<DWORD>::max()) {
        return failSeek(ERROR_INVALID_PARAMETER);
    }
    if (::lseek(open->descriptor(), target, SEEK_SET) < 0) {
        return failSeek(Platform::win32Error(errno));
    }
    if (distanceToMoveHigh != nullptr) {
        *distanceToMoveHigh = static_cast<LONG>(target >> 32);
    }
    // A position whose low half is INVALID_SET_FILE_POINTER reads as success by this last error.
    Platform::succeed();
    return static_cast<DWORD>(target);
}

BOOL SetEndOfFile(HANDLE file) {
    const auto open = Platform::lookUpFile(file, GENERIC_WRITE);
    if (!open) {
        return FALSE;
    }
    const off_t position = ::lseek(open->descriptor(), 0, SEEK_CUR);
    if (position < 0 || ::ftruncate(open->descriptor(), position) != 0) {
        return Platform::failWith(Platform::win32Error(errno));
    }
    return Platform::succeed();
}

BOOL FlushFileBuffers(HANDLE file) {
    const auto open = Platform::lookUpFile(file, GENERIC_WRITE);
    if (!open) {
        return FALSE;
    }
    if (::fsync(open->descriptor()) != 0) {
        return Platform::failWith(Platform::win32Error(errno));
    }
    return Platform::succeed();
}
