// Crash states of real runs of the tool: the fault interposer logs each run's file-system calls, every
// state a crash could leave at every point is built from the log (tests/crash/CrashStates.h has the
// model), and the tool's promises must hold in each. Faults planted by changing the log show that the
// checker sees what a missing or misplaced sync breaks. Built twice: for a 1 KiB item, and with
// CRASH_STATES_LARGE for an item of several 1 MiB chunks (the slow group).
#include "tests/app/ToolRun.h"
#include "tests/crash/CrashStates.h"
#include "tests/crash/FsLog.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <regex>

namespace {

namespace fs = std::filesystem;
using namespace ToolTest;
using namespace CrashCheck;

const std::string kItem = "a.txt";
const std::string kArchive = "a.txt.zip";

// Each build has a suite name of its own, so that the two programs' tests have names of their own.
#ifdef CRASH_STATES_LARGE
#define CRASH_STATES CrashStatesLarge
constexpr std::size_t kItemSize = 3 * (std::size_t{1} << 20) + (std::size_t{1} << 19);
#else
#define CRASH_STATES CrashStates
constexpr std::size_t kItemSize = 1024;
#endif

struct Scenario {
    const char* name;
    bool move;
    bool oldArchive; // FILE.zip exists before the run
};

const Scenario kScenarios[] = {
    {"copy", false, false},
    {"copy over an old archive", false, true},
    {"move", true, false},
    {"move over an old archive", true, true},
};

// One logged run and what its promises are about.
struct Recorded {
    Scenario scenario;
    std::string root;       // the run's folder, as the tool names it
    std::string item;       // the item's bytes
    std::string oldArchive; // empty when there was none
    History history;

    std::string itemPath() const { return root + "/" + kItem; }
    std::string archivePath() const { return root + "/" + kArchive; }
};

std::vector<std::string> loggingEnvironment(const std::string& log) {
    const char* asan = std::getenv("ASAN_OPTIONS");
    std::string asanOptions = "ASAN_OPTIONS=verify_asan_link_order=0";
    if (asan != nullptr && *asan != '\0')
        asanOptions += std::string(":") + asan;
    return {std::string("LD_PRELOAD=") + FAULT_INJECTOR, "ZIPFILE_FS_LOG=" + log, asanOptions};
}

Recorded record(const Scenario& scenario) {
    const TempFolder folder;
    const std::string root = fs::canonical(folder.path()).string();
    Recorded run{scenario, root, noise(kItemSize, 7), "", {}};
    Files before{{run.itemPath(), run.item}};
    if (scenario.oldArchive) {
        writeFile(run.itemPath(), "what the old archive holds\n");
        EXPECT_EQ(runTool({kItem}, root).status, 0);
        run.oldArchive = readFile(run.archivePath());
        before[run.archivePath()] = run.oldArchive;
    }
    writeFile(run.itemPath(), run.item);
    const TempFolder logFolder;
    const std::string log = logFolder.posix("fs.log");
    const std::vector<std::string> words =
        scenario.move ? std::vector<std::string>{kItem, "true"} : std::vector<std::string>{kItem};
    const RunResult result = runTool(words, root, {.environment = loggingEnvironment(log)});
    EXPECT_EQ(result.status, 0) << scenario.name << ": " << result.err;
    run.history = historyOf(readFsLog(log), root, before);
    return run;
}

// Each scenario is run once, for every test of this program.
const Recorded& recorded(const Scenario& scenario) {
    static std::map<std::string, Recorded> runs;
    const auto found = runs.find(scenario.name);
    return found != runs.end() ? found->second : runs.emplace(scenario.name, record(scenario)).first->second;
}

// Whether `bytes` are a complete archive of the item: libzip opens them with its consistency checks, and the
// one entry has the item's name and bytes.
bool archiveOfItem(const std::string& bytes, const std::string& item) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    zip_t* archive =
        source == nullptr ? nullptr : zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    zip_error_fini(&error);
    if (archive == nullptr) {
        zip_source_free(source);
        return false;
    }
    zip_stat_t status;
    bool holds = zip_get_num_entries(archive, 0) == 1 &&
                 zip_stat_index(archive, 0, ZIP_FL_ENC_RAW, &status) == 0 && status.name == kItem &&
                 status.size == item.size();
    if (holds) {
        std::string content(item.size(), '\0');
        zip_file_t* file = zip_fopen_index(archive, 0, 0);
        holds = file != nullptr &&
                zip_fread(file, content.data(), content.size()) == static_cast<zip_int64_t>(content.size()) &&
                content == item;
        if (file != nullptr)
            zip_fclose(file);
    }
    zip_discard(archive);
    return holds;
}

// What one version of a file is, as far as the promises care.
struct Verdict {
    bool oldArchive = false;
    bool newArchive = false; // a complete archive of the item
    bool item = false;       // the item's bytes
};

struct Outcome {
    std::size_t states = 0;
    std::size_t broken = 0;
    std::string firstBroken; // the first broken state and its promise
};

// Checks the promises in every crash state of `history`, a log of `run` or one changed from it.
class PromiseCheck {
public:
    PromiseCheck(const Recorded& run, const History& history)
        : m_run(run), m_history(history), m_contents(history) {}

    Outcome outcome() {
        Outcome outcome;
        outcome.states = forEachCrashState(m_history, [&](const CrashState& state) {
            const std::string broken = brokenPromise(state);
            if (!broken.empty() && outcome.broken++ == 0)
                outcome.firstBroken = broken + ", " + shown(state);
        });
        return outcome;
    }

private:
    // The first promise `state` breaks, or "".
    std::string brokenPromise(const CrashState& state) {
        const Verdict* archive = at(state, m_run.archivePath());
        const Verdict* item = at(state, m_run.itemPath());
        const bool newArchive = archive != nullptr && archive->newArchive;
        const bool oldArchive =
            m_run.oldArchive.empty() ? archive == nullptr : archive != nullptr && archive->oldArchive;
        if (!oldArchive && !newArchive)
            return "FILE.zip is neither the old archive nor a complete one of the item";
        bool itemKept = newArchive || (item != nullptr && item->item);
        for (const auto& [path, version] : state.files)
            itemKept = itemKept || (isTemporary(path) && verdictOf(version).item);
        if (!itemKept)
            return "the item's bytes are nowhere";
        if (!m_run.scenario.move && (item == nullptr || !item->item))
            return "the copied item is not as it was";
        if (state.point == m_history.ops.size() && !newArchive)
            return "the run has ended, but FILE.zip is not the new archive";
        return "";
    }

    // A temporary file of the run, zipfile-<random>.tmp beside the item: one holding the item's bytes is its
    // second name.
    bool isTemporary(const std::string& path) const {
        static const std::regex kTemporary(R"(zipfile-[0-9a-z]{8}\.tmp)");
        const std::string start = m_run.root + "/";
        return path.starts_with(start) && std::regex_match(path.substr(start.size()), kTemporary);
    }

    const Verdict* at(const CrashState& state, const std::string& path) {
        const auto found = state.files.find(path);
        return found == state.files.end() ? nullptr : &verdictOf(found->second);
    }

    const Verdict& verdictOf(Version version) {
        const auto found = m_verdicts.find(version);
        if (found != m_verdicts.end())
            return found->second;
        const std::string& bytes = m_contents.of(version);
        const Verdict verdict{.oldArchive = !m_run.oldArchive.empty() && bytes == m_run.oldArchive,
                              .newArchive = archiveOfItem(bytes, m_run.item),
                              .item = bytes == m_run.item};
        return m_verdicts.emplace(version, verdict).first->second;
    }

    std::string shown(const CrashState& state) {
        std::string text = "crash after change " + std::to_string(state.point);
        if (state.point > 0)
            text += " (" + describe(m_history.ops[state.point - 1], m_run.root) + ")";
        text += ":";
        // Appended piece by piece: GCC 12 at -O3 warns of an overlap in `" " + name` that is not there.
        for (const auto& [path, version] : state.files) {
            text.append(1, ' ').append(fs::path(path).filename().string()).append(" = ");
            text.append(std::to_string(m_contents.of(version).size())).append(" bytes;");
        }
        return text;
    }

    const Recorded& m_run;
    const History& m_history;
    Contents m_contents;
    std::map<Version, Verdict> m_verdicts;
};

Outcome check(const Recorded& run, const History& history) {
    return PromiseCheck(run, history).outcome();
}

// The rename that puts the new archive in place.
std::size_t finalRename(const History& history, const Recorded& run) {
    for (std::size_t i = history.ops.size(); i-- > 0;) {
        if (history.ops[i].kind == Op::Rename && history.ops[i].to == run.archivePath())
            return i;
    }
    ADD_FAILURE() << run.scenario.name << ": no rename to FILE.zip";
    return 0;
}

// Planted fault: the new archive's data is never synced.
History withoutArchiveSyncs(History history, const Recorded& run) {
    const Inode archive = history.ops[finalRename(history, run)].inode;
    std::erase_if(history.ops, [&](const Op& op) { return op.kind == Op::FileSync && op.inode == archive; });
    return history;
}

// Planted fault: the item's last name is removed before the new archive's rename, and so before that
// rename is durable.
History withItemRemovedEarly(History history, const Recorded& run) {
    const Inode item = history.inodeBefore.at(run.itemPath());
    const std::size_t rename = finalRename(history, run);
    for (std::size_t i = history.ops.size(); i-- > rename;) {
        if (history.ops[i].kind == Op::Unlink && history.ops[i].inode == item) {
            const Op unlink = history.ops[i];
            history.ops.erase(history.ops.begin() + static_cast<long>(i));
            history.ops.insert(history.ops.begin() + static_cast<long>(rename), unlink);
            return history;
        }
    }
    ADD_FAILURE() << run.scenario.name << ": the item keeps a name after the final rename";
    return history;
}

// Planted fault: the folder is not synced after the new archive's rename.
History withoutFolderSyncAfterFinalRename(History history, const Recorded& run) {
    const auto rename = history.ops.begin() + static_cast<long>(finalRename(history, run));
    const auto sync =
        std::find_if(rename, history.ops.end(), [](const Op& op) { return op.kind == Op::FolderSync; });
    if (sync == history.ops.end())
        ADD_FAILURE() << run.scenario.name << ": no folder sync after the final rename";
    else
        history.ops.erase(sync);
    return history;
}

TEST(CRASH_STATES, EveryStateOfARealRunKeepsThePromises) {
    for (const Scenario& scenario : kScenarios) {
        const Recorded& run = recorded(scenario);
        const Outcome outcome = check(run, run.history);
        std::cout << scenario.name << ", " << kItemSize << " bytes: " << run.history.ops.size()
                  << " changes, " << outcome.states << " crash states checked\n";
        RecordProperty(std::string(scenario.name) + " states", std::to_string(outcome.states));
        EXPECT_EQ(outcome.broken, 0u) << scenario.name << ": " << outcome.firstBroken;
    }
}

TEST(CRASH_STATES, PlantedFaultsBreakAPromise) {
    const struct {
        const char* name;
        History (*plant)(History, const Recorded&);
        bool moveOnly;
    } faults[] = {
        {"no sync of the new archive's data", withoutArchiveSyncs, false},
        {"the item's last name removed before the final rename", withItemRemovedEarly, true},
        {"no folder sync after the final rename", withoutFolderSyncAfterFinalRename, false},
    };
    for (const auto& fault : faults) {
        for (const Scenario& scenario : kScenarios) {
            if (fault.moveOnly && !scenario.move)
                continue;
            const Recorded& run = recorded(scenario);
            const Outcome outcome = check(run, fault.plant(run.history, run));
            std::cout << fault.name << ", " << scenario.name << ": " << outcome.broken << " of "
                      << outcome.states << " states broken; first: " << outcome.firstBroken << "\n";
            EXPECT_GT(outcome.broken, 0u) << fault.name << ", " << scenario.name;
        }
    }
}

// A change as a report line, with the random parts of temporary names in general terms.
std::string general(const Op& op, const Recorded& run) {
    static const std::regex kTemporary(R"(zipfile-[0-9a-z]{8}\.tmp)");
    return std::regex_replace(describe(op, run.root), kTemporary, "zipfile-<random>.tmp");
}

// The experiment behind removing syncs that protect nothing: each run's sequence of syncs and name
// changes, each sync left out in turn with the states that breaks, then the pairs of syncs that can be left
// out together. Run with --gtest_also_run_disabled_tests.
TEST(CRASH_STATES, DISABLED_WhichSyncsAreNeeded) {
    const auto without = [](const History& history, std::vector<std::size_t> indexes) {
        History changed = history;
        std::sort(indexes.rbegin(), indexes.rend());
        for (const std::size_t i : indexes)
            changed.ops.erase(changed.ops.begin() + static_cast<long>(i));
        return changed;
    };
    for (const Scenario& scenario : kScenarios) {
        const Recorded& run = recorded(scenario);
        std::cout << scenario.name << ":\n";
        std::vector<std::size_t> syncs;
        for (std::size_t i = 0; i < run.history.ops.size(); ++i) {
            const Op& op = run.history.ops[i];
            if (op.changesData())
                continue;
            std::string line = "  " + std::to_string(i) + " " + general(op, run);
            if (op.kind == Op::FileSync || op.kind == Op::FolderSync) {
                syncs.push_back(i);
                const Outcome outcome = check(run, without(run.history, {i}));
                line += outcome.broken == 0 ? "    left out: no promise broken"
                                            : "    left out: " + std::to_string(outcome.broken) + " of " +
                                                  std::to_string(outcome.states) + " states broken (" +
                                                  outcome.firstBroken + ")";
            }
            std::cout << line << "\n";
        }
        for (std::size_t a = 0; a < syncs.size(); ++a) {
            for (std::size_t b = a + 1; b < syncs.size(); ++b) {
                const Outcome outcome = check(run, without(run.history, {syncs[a], syncs[b]}));
                std::cout << "  " << syncs[a] << " and " << syncs[b] << " left out: "
                          << (outcome.broken == 0 ? "no promise broken"
                                                  : std::to_string(outcome.broken) + " broken")
                          << "\n";
            }
        }
    }
}

} // namespace
