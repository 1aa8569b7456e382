// The file-system calls of one run of the tool, as the fault interposer logs them with ZIPFILE_FS_LOG.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace CrashCheck {

struct FsCall {
    std::string
        call; // open, write, fwrite, fflush, truncate, fsync, fdatasync, rename, link, unlink, close, dup
    long long result = 0; // what the call returned (open: the new descriptor; write: the bytes written)
    int fd = -1;          // the descriptor called on, or the one an open returned
    long long number = 0; // open, rename, link, unlink: the flags; write: the offset; truncate: the length
    std::string path;     // open, unlink; rename and link: the existing name
    std::string to;       // rename, link: the new name
    std::string data;     // write, fwrite: the bytes written
};

// The calls logged at `log`, in order, with the written bytes read from `log`.data.
std::vector<FsCall> readFsLog(const std::filesystem::path& log);

} // namespace CrashCheck
