// The states a crash may leave the files in, at every point of a logged run (the approach of ALICE,
// OSDI 2014, on a small scale). The model is no kinder than real file systems:
// - a file's data written since its last fsync may be lost from any write on (a file never synced may
//   be empty); writes reach the disk in the order they were made, at the granularity of one write call;
// - a folder's name changes (create, link, unlink, rename) since its last fsync may be lost from any
//   change on: they reach the disk in the order they were made; folders are independent;
// - an fsync (or fdatasync) makes all that came before it durable, for that file or that folder.
// Files are inodes: a hard link is a second name of one inode, a rename moves a name.
#pragma once

#include "tests/crash/FsLog.h"

#include <compare>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace CrashCheck {

using Inode = int;

// One change the run made to the files under the watched folder.
struct Op {
    enum Kind { Write, Truncate, FileSync, Create, Link, Unlink, Rename, FolderSync };
    Kind kind = Write;
    Inode inode = -1;         // the file written, synced or named
    std::string path = {};    // the name made, removed or renamed; for a sync, the file or folder synced
    std::string to = {};      // rename: the new name (in the same folder)
    std::uint64_t offset = 0; // write: where; truncate: the new length
    std::string data = {};    // write: the bytes

    bool changesData() const { return kind == Write || kind == Truncate; }
    bool changesNames() const { return kind == Create || kind == Link || kind == Unlink || kind == Rename; }
};

// Absolute path -> bytes.
using Files = std::map<std::string, std::string>;

struct History {
    std::vector<Op> ops;
    std::vector<std::string> initialData; // by inode; empty for files the run made
    std::map<std::string, std::map<std::string, Inode>> initialNames; // folder -> path -> inode
    std::map<std::string, Inode> inodeBefore;                         // the files before the run, by path
};

// The changes of a logged run to the files under `root` (an absolute path without a trailing '/'), which
// held `before` when it started, all of it durable. Calls on other files are left out.
History historyOf(const std::vector<FsCall>& calls, const std::string& root, const Files& before);

// A file as a crash may leave it: its inode with the first `dataOps` of its writes and truncations.
struct Version {
    Inode inode = -1;
    std::size_t dataOps = 0;
    auto operator<=>(const Version&) const = default;
};

struct CrashState {
    std::size_t point = 0;                     // the changes made before the crash, 0 .. ops.size()
    std::map<std::string, Version> files = {}; // by path
};

// Calls `visit` with every crash state at every point of `history`; the number of states.
std::size_t forEachCrashState(const History& history, const std::function<void(const CrashState&)>& visit);

// The bytes of versions of files, rebuilt from a history; the last one built of each inode is kept, so that
// asking for growing versions of one file costs each write once.
class Contents {
public:
    explicit Contents(const History& history);
    const std::string& of(Version version);

private:
    const History& m_history;
    std::map<Inode, std::vector<std::size_t>> m_dataOps; // the indexes of each inode's data changes
    std::map<Inode, std::pair<std::size_t, std::string>> m_built;
};

// One change as a line of a report: the kind, and the names relative to `root`.
std::string describe(const Op& op, const std::string& root);

} // namespace CrashCheck
