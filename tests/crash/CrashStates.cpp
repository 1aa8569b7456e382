// The states a crash may leave the files in, at every point of a logged run.
#include "tests/crash/CrashStates.h"

#include <fcntl.h>
#include <stdio.h>

#include <filesystem>
#include <set>
#include <stdexcept>

namespace CrashCheck {

namespace {

std::string folderOf(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
}

// Turns the logged calls into changes, tracking descriptors and names as the run saw them.
class Replay {
public:
    Replay(const std::string& root, const Files& before) : m_root(root) {
        for (const auto& [path, bytes] : before) {
            const Inode inode = newInode(bytes);
            m_names[folderOf(path)][path] = inode;
            m_history.inodeBefore[path] = inode;
        }
        m_history.initialNames = m_names;
    }

    void apply(const FsCall& call) {
        if (call.call == "close") {
            m_fds.erase(call.fd);
            m_buffered.erase(call.fd);
        }
        if (call.result < 0)
            return;
        if (call.call == "open")
            open(call);
        else if (call.call == "dup" && m_fds.contains(call.fd))
            m_fds[static_cast<int>(call.result)] = m_fds[call.fd];
        else if (call.call == "write")
            write(call);
        else if (call.call == "fwrite")
            buffer(call);
        else if (call.call == "fflush")
            flush(call.fd);
        else if (call.call == "truncate")
            dataChange(call.fd, Op{.kind = Op::Truncate, .offset = static_cast<std::uint64_t>(call.number)});
        else if (call.call == "fsync" || call.call == "fdatasync")
            sync(call.fd);
        else if (call.call == "rename")
            rename(call);
        else if (call.call == "link" && inside(call.to))
            nameChange(Op{.kind = Op::Link, .inode = inodeAt(call.path), .path = call.to});
        else if (call.call == "unlink" && inside(call.path) && (call.number & AT_REMOVEDIR) == 0)
            nameChange(Op{.kind = Op::Unlink, .inode = inodeAt(call.path), .path = call.path});
    }

    History finished() { return std::move(m_history); }

private:
    struct Descriptor {
        bool folder = false;
        Inode inode = -1;
        std::string path = {};
    };

    bool inside(const std::string& path) const { return path == m_root || path.starts_with(m_root + "/"); }

    Inode newInode(const std::string& bytes) {
        m_history.initialData.push_back(bytes);
        return static_cast<Inode>(m_history.initialData.size() - 1);
    }

    Inode inodeAt(const std::string& path) {
        const auto& names = m_names[folderOf(path)];
        const auto found = names.find(path);
        if (found == names.end())
            throw std::runtime_error("the log names a file the run never had: " + path);
        return found->second;
    }

    void open(const FsCall& call) {
        m_fds.erase(call.fd);
        m_buffered.erase(call.fd);
        const std::string path = std::filesystem::path(call.path).lexically_normal().string();
        const std::string plain =
            path.size() > 1 && path.ends_with('/') ? path.substr(0, path.size() - 1) : path;
        if (!inside(plain))
            return;
        const int flags = static_cast<int>(call.number);
        if ((flags & O_DIRECTORY) != 0 || m_names.contains(plain) || plain == m_root) {
            m_fds[call.fd] = {.folder = true, .path = plain};
            return;
        }
        auto& names = m_names[folderOf(plain)];
        if (!names.contains(plain)) {
            if ((flags & O_CREAT) == 0)
                throw std::runtime_error("an open found a file the run never had: " + plain);
            nameChange(Op{.kind = Op::Create, .inode = newInode(""), .path = plain});
        }
        m_fds[call.fd] = {.inode = names.at(plain), .path = plain};
        if ((flags & O_TRUNC) != 0 && (flags & O_ACCMODE) != O_RDONLY)
            dataChange(call.fd, Op{.kind = Op::Truncate, .offset = 0});
    }

    void write(const FsCall& call) {
        dataChange(
            call.fd,
            Op{.kind = Op::Write, .offset = static_cast<std::uint64_t>(call.number), .data = call.data});
    }

    // Bytes handed to a stream reach the file when the stream is flushed, not before.
    void buffer(const FsCall& call) {
        if (m_fds.contains(call.fd) && call.result > 0)
            m_buffered[call.fd].push_back(call);
    }

    void flush(int fd) {
        for (auto& [bufferedFd, calls] : m_buffered) {
            if (fd >= 0 && bufferedFd != fd)
                continue;
            for (const FsCall& call : calls)
                write(call);
            calls.clear();
        }
    }

    void dataChange(int fd, Op op) {
        const auto found = m_fds.find(fd);
        if (found == m_fds.end() || found->second.folder)
            return;
        op.inode = found->second.inode;
        op.path = found->second.path;
        m_history.ops.push_back(std::move(op));
    }

    void sync(int fd) {
        const auto found = m_fds.find(fd);
        if (found == m_fds.end())
            return;
        const Descriptor& descriptor = found->second;
        m_history.ops.push_back(
            descriptor.folder ? Op{.kind = Op::FolderSync, .path = descriptor.path}
                              : Op{.kind = Op::FileSync, .inode = descriptor.inode, .path = descriptor.path});
    }

    // A rename between folders is a link in the new folder and an unlink in the old one, which may reach
    // the disk independently.
    void rename(const FsCall& call) {
        if ((call.number & RENAME_EXCHANGE) != 0)
            throw std::runtime_error("RENAME_EXCHANGE is not modelled: " + call.path);
        if (!inside(call.path) || !inside(call.to))
            throw std::runtime_error("a rename across the watched folder's edge: " + call.path);
        const Inode inode = inodeAt(call.path);
        if (folderOf(call.path) == folderOf(call.to)) {
            nameChange(Op{.kind = Op::Rename, .inode = inode, .path = call.path, .to = call.to});
        } else {
            nameChange(Op{.kind = Op::Link, .inode = inode, .path = call.to});
            nameChange(Op{.kind = Op::Unlink, .inode = inode, .path = call.path});
        }
    }

    void nameChange(Op op) {
        applyNameChange(m_names[folderOf(op.path)], op);
        m_history.ops.push_back(std::move(op));
    }

public:
    static void applyNameChange(std::map<std::string, Inode>& names, const Op& op) {
        switch (op.kind) {
        case Op::Create:
        case Op::Link:
            names[op.path] = op.inode;
            break;
        case Op::Unlink:
            names.erase(op.path);
            break;
        case Op::Rename:
            if (names.erase(op.path) > 0)
                names[op.to] = op.inode;
            break;
        default:
            break;
        }
    }

private:
    std::string m_root;
    History m_history;
    std::map<std::string, std::map<std::string, Inode>> m_names;
    std::map<int, Descriptor> m_fds;
    std::map<int, std::vector<FsCall>> m_buffered;
};

// Counts through every combination of choices, choice i taking the values first[i] .. last[i].
class Odometer {
public:
    Odometer(std::vector<std::size_t> first, std::vector<std::size_t> last)
        : m_first(std::move(first)), m_last(std::move(last)), m_now(m_first) {}
    const std::vector<std::size_t>& now() const { return m_now; }
    bool advance() {
        for (std::size_t i = 0; i < m_now.size(); ++i) {
            if (m_now[i] < m_last[i]) {
                ++m_now[i];
                return true;
            }
            m_now[i] = m_first[i];
        }
        return false;
    }

private:
    std::vector<std::size_t> m_first;
    std::vector<std::size_t> m_last;
    std::vector<std::size_t> m_now;
};

// What is pending at one point: per folder the name changes since its last sync, per inode how many data
// changes were made and how many of them are durable.
struct Pending {
    std::map<std::string, std::vector<std::size_t>> durableNames; // folder -> op indexes
    std::map<std::string, std::vector<std::size_t>> pendingNames;
    std::map<Inode, std::size_t> made;
    std::map<Inode, std::size_t> durable;
};

Pending pendingAt(const History& history, std::size_t point) {
    Pending pending;
    for (std::size_t i = 0; i < point; ++i) {
        const Op& op = history.ops[i];
        if (op.changesNames()) {
            pending.pendingNames[folderOf(op.path)].push_back(i);
        } else if (op.kind == Op::FolderSync) {
            auto& synced = pending.pendingNames[op.path];
            auto& durable = pending.durableNames[op.path];
            durable.insert(durable.end(), synced.begin(), synced.end());
            synced.clear();
        } else if (op.changesData()) {
            ++pending.made[op.inode];
        } else if (op.kind == Op::FileSync) {
            pending.durable[op.inode] = pending.made[op.inode];
        }
    }
    return pending;
}

void visitDataChoices(std::size_t point, const Pending& pending, const std::map<std::string, Inode>& names,
                      const std::function<void(const CrashState&)>& visit, std::size_t& count) {
    std::set<Inode> inodes;
    for (const auto& [path, inode] : names)
        inodes.insert(inode);
    const std::vector<Inode> order(inodes.begin(), inodes.end());
    std::vector<std::size_t> first;
    std::vector<std::size_t> last;
    for (const Inode inode : order) {
        first.push_back(pending.durable.contains(inode) ? pending.durable.at(inode) : 0);
        last.push_back(pending.made.contains(inode) ? pending.made.at(inode) : 0);
    }
    Odometer choice(first, last);
    do {
        std::map<Inode, std::size_t> dataOps;
        for (std::size_t i = 0; i < order.size(); ++i)
            dataOps[order[i]] = choice.now()[i];
        CrashState state{.point = point};
        for (const auto& [path, inode] : names)
            state.files[path] = Version{inode, dataOps[inode]};
        visit(state);
        ++count;
    } while (choice.advance());
}

} // namespace

History historyOf(const std::vector<FsCall>& calls, const std::string& root, const Files& before) {
    Replay replay(root, before);
    for (const FsCall& call : calls)
        replay.apply(call);
    return replay.finished();
}

std::size_t forEachCrashState(const History& history, const std::function<void(const CrashState&)>& visit) {
    std::size_t count = 0;
    for (std::size_t point = 0; point <= history.ops.size(); ++point) {
        const Pending pending = pendingAt(history, point);
        std::set<std::string> folderSet;
        for (const auto& [folder, names] : history.initialNames)
            folderSet.insert(folder);
        for (const auto& [folder, ops] : pending.pendingNames)
            folderSet.insert(folder);
        const std::vector<std::string> folders(folderSet.begin(), folderSet.end());
        std::vector<std::size_t> last;
        for (const std::string& folder : folders)
            last.push_back(pending.pendingNames.contains(folder) ? pending.pendingNames.at(folder).size()
                                                                 : 0);
        Odometer prefixes(std::vector<std::size_t>(folders.size(), 0), last);
        do {
            std::map<std::string, Inode> names;
            for (std::size_t f = 0; f < folders.size(); ++f) {
                std::map<std::string, Inode> inFolder;
                if (history.initialNames.contains(folders[f]))
                    inFolder = history.initialNames.at(folders[f]);
                std::vector<std::size_t> applied;
                if (pending.durableNames.contains(folders[f]))
                    applied = pending.durableNames.at(folders[f]);
                if (pending.pendingNames.contains(folders[f])) {
                    const auto& more = pending.pendingNames.at(folders[f]);
                    applied.insert(applied.end(), more.begin(),
                                   more.begin() + static_cast<long>(prefixes.now()[f]));
                }
                for (const std::size_t i : applied)
                    Replay::applyNameChange(inFolder, history.ops[i]);
                names.insert(inFolder.begin(), inFolder.end());
            }
            visitDataChoices(point, pending, names, visit, count);
        } while (prefixes.advance());
    }
    return count;
}

Contents::Contents(const History& history) : m_history(history) {
    for (std::size_t i = 0; i < history.ops.size(); ++i) {
        if (history.ops[i].changesData())
            m_dataOps[history.ops[i].inode].push_back(i);
    }
}

const std::string& Contents::of(Version version) {
    auto found = m_built.find(version.inode);
    if (found == m_built.end() || found->second.first > version.dataOps)
        found = m_built
                    .insert_or_assign(version.inode,
                                      std::pair{std::size_t{0}, m_history.initialData.at(
                                                                    static_cast<std::size_t>(version.inode))})
                    .first;
    auto& [built, bytes] = found->second;
    const std::vector<std::size_t>& changes = m_dataOps[version.inode];
    for (; built < version.dataOps; ++built) {
        const Op& op = m_history.ops.at(changes.at(built));
        if (op.kind == Op::Truncate) {
            bytes.resize(op.offset);
        } else {
            if (bytes.size() < op.offset + op.data.size())
                bytes.resize(op.offset + op.data.size());
            bytes.replace(op.offset, op.data.size(), op.data);
        }
    }
    return bytes;
}

std::string describe(const Op& op, const std::string& root) {
    const auto relative = [&](const std::string& path) {
        return path == root ? std::string(".")
                            : std::filesystem::path(path).lexically_relative(root).string();
    };
    switch (op.kind) {
    case Op::Write:
        return "write " + relative(op.path) + " " + std::to_string(op.data.size()) + " bytes at " +
               std::to_string(op.offset);
    case Op::Truncate:
        return "truncate " + relative(op.path) + " to " + std::to_string(op.offset);
    case Op::FileSync:
        return "fsync " + relative(op.path);
    case Op::FolderSync:
        return "fsync folder " + relative(op.path);
    case Op::Create:
        return "create " + relative(op.path);
    case Op::Link:
        return "link " + relative(op.path);
    case Op::Unlink:
        return "unlink " + relative(op.path);
    case Op::Rename:
        return "rename " + relative(op.path) + " -> " + relative(op.to);
    }
    return "?";
}

} // namespace CrashCheck
