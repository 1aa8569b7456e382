// Fault injection into the zipfile tool: every C library call a run makes fails in turn, with each errno,
// and every file must still be as the tool promises.
#include "tests/app/Archive.h"
#include "tests/app/ToolRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <future>
#include <iostream>
#include <map>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using namespace ToolTest;

const std::string kItem = "a.txt";
const std::string kArchive = "a.txt.zip";
const std::string kContent = "the item, small enough for many runs\n";
const std::string kOldContent = "what the old archive holds\n";
const char* const kEveryErrno[] = {"EIO", "ENOSPC", "EACCES", "EINTR"};
const char* const kOneErrno[] = {"EIO"};
// The functions that the kernel may interrupt with a signal (EINTR); the others never fail so.
const std::set<std::string> kInterruptible = {
    "open",    "open64",   "openat", "openat64",  "read",    "pread",    "pread64",   "write",
    "pwrite",  "pwrite64", "close",  "ftruncate", "mkstemp", "mkostemp", "getrandom", "fopen",
    "fopen64", "fread",    "fwrite", "fflush",    "fclose",  "fseeko",
};

struct Scenario {
    const char* name;
    bool move;
    bool oldArchive; // FILE.zip exists before the run
    std::vector<const char*> errnos;
    std::string content = kContent;
    bool linksRefused = false; // no hard link can be made, as for another user's file
};

const std::string kLinksRefused = "ZIPFILE_FAULT_ALWAYS=link:EPERM";
// The functions that may create a name.
const std::set<std::string> kCreating = {"open",  "open64",  "__open_2", "openat", "openat64",
                                         "fopen", "fopen64", "link",     "linkat"};

// Lines that differ, some MiB of them: a file deflated in several chunks on the worker threads.
std::string severalChunks() {
    std::string text;
    for (int line = 0; text.size() < 3'500'000; ++line)
        text += "line " + std::to_string(line) + " of a file deflated in parallel\n";
    return text;
}

// The interposer in front of the tool; an instrumented tool lets it come first.
std::vector<std::string> faultEnvironment(std::vector<std::string> settings) {
    const char* asan = std::getenv("ASAN_OPTIONS");
    std::string asanOptions = "ASAN_OPTIONS=verify_asan_link_order=0";
    if (asan != nullptr && *asan != '\0')
        asanOptions += std::string(":") + asan;
    settings.push_back(std::string("LD_PRELOAD=") + FAULT_INJECTOR);
    settings.push_back(asanOptions);
    return settings;
}

std::vector<std::string> faultEnvironment(const Scenario& scenario, const std::string& setting) {
    return faultEnvironment(scenario.linksRefused ? std::vector{setting, kLinksRefused}
                                                  : std::vector{setting});
}

std::vector<std::string> words(bool move) {
    return move ? std::vector<std::string>{kItem, "true"} : std::vector<std::string>{kItem};
}

// The errnos of a scenario that `function` can fail with.
std::vector<const char*> errnosOf(const std::string& function, const std::vector<const char*>& errnos) {
    std::vector<const char*> applying;
    std::copy_if(errnos.begin(), errnos.end(), std::back_inserter(applying), [&](const char* error) {
        return std::string(error) != "EINTR" || kInterruptible.contains(function);
    });
    return applying;
}

// The failing runs by what they printed, each line with the faults that made it.
using FailureLines = std::map<std::string, std::vector<std::string>>;

// A failure line with the scenario's folder, the part that differs from run to run, put in general terms.
std::string generalLine(const std::string& line, const std::string& folder) {
    std::string text = line;
    for (std::size_t at = text.find(folder); at != std::string::npos; at = text.find(folder, at))
        text.replace(at, folder.size(), "<folder>");
    return text;
}

std::map<std::string, long> parseCounts(const std::string& text) {
    std::map<std::string, long> counts;
    std::istringstream lines(text);
    std::string function;
    long count = 0;
    while (lines >> function >> count)
        counts[function] = count;
    return counts;
}

// One scenario in a folder of its own, so that scenarios can run side by side.
class ScenarioRun {
public:
    // The archive an earlier run left: a valid one holding other content.
    explicit ScenarioRun(Scenario scenario) : m_scenario(std::move(scenario)) {
        writeFile(dir() / kItem, kOldContent);
        EXPECT_EQ(runTool({kItem}, dir()).status, 0);
        m_oldArchive = readFile(dir() / kArchive);
        EXPECT_FALSE(m_oldArchive.empty());
    }

    // Fails every call of every function in turn, with each errno that applies; the number of runs.
    int failEachCall() {
        int runs = 0;
        for (const auto& [function, count] : countCalls(m_scenario)) {
            for (long call = 1; call <= count; ++call) {
                for (const char* error : errnosOf(function, m_scenario.errnos)) {
                    const std::string fault = function + ":" + std::to_string(call) + ":" + error;
                    prepare(m_scenario);
                    const RunResult run =
                        runTool(words(m_scenario.move), dir(),
                                {.environment = faultEnvironment(m_scenario, "ZIPFILE_FAULT=" + fault)});
                    expectSoundOutcome(m_scenario, fault, run);
                    if (run.status != 0)
                        m_failureLines[generalLine(run.err, shownPath(dir()))].push_back(m_scenario.name +
                                                                                         (" " + fault));
                    ++runs;
                }
            }
        }
        return runs;
    }

    // Just before each call that may create a name, another program's file takes that name: the run makes
    // its own file under another name and leaves that one alone. The number of names taken.
    int takeEachName() {
        int taken = 0;
        for (const auto& [function, count] : countCalls(m_scenario)) {
            for (long call = 1; kCreating.contains(function) && call <= count; ++call) {
                const std::string taking = function + ":" + std::to_string(call);
                const std::string row = m_scenario.name + (" " + taking);
                prepare(m_scenario);
                const TempFolder reportFolder;
                const std::string report = reportFolder.posix("taken");
                const RunResult run =
                    runTool(words(m_scenario.move), dir(),
                            {.environment =
                                 faultEnvironment(m_scenario, "ZIPFILE_TAKE_NAME=" + taking + ":" + report)});
                EXPECT_EQ(run.status, 0) << row << ": " << run.err;
                const std::string takenName = readFile(report);
                if (!takenName.empty()) {
                    ++taken;
                    EXPECT_EQ(readFile(takenName), "taken by another program\n") << row;
                    fs::remove(takenName);
                }
                expectSoundOutcome(m_scenario, row, run);
            }
        }
        return taken;
    }

    const FailureLines& failureLines() const { return m_failureLines; }

    // The file and folder syncs of a run without faults.
    long syncs() {
        std::map<std::string, long> counts = countCalls(m_scenario);
        return counts["fsync"] + counts["fdatasync"];
    }

private:
    fs::path dir() const { return fs::path(m_folder.path()); }

    void prepare(const Scenario& scenario) {
        for (const std::string& name : listFolder(dir()))
            fs::remove(dir() / name);
        writeFile(dir() / kItem, scenario.content);
        if (scenario.oldArchive)
            writeFile(dir() / kArchive, m_oldArchive);
    }

    // How often a run without faults calls each function.
    std::map<std::string, long> countCalls(const Scenario& scenario) {
        prepare(scenario);
        const TempFolder countsFolder;
        const std::string countsFile = countsFolder.posix("counts");
        const RunResult run =
            runTool(words(scenario.move), dir(),
                    {.environment = faultEnvironment(scenario, "ZIPFILE_FAULT_COUNTS=" + countsFile)});
        EXPECT_EQ(run.status, 0) << scenario.name << ": " << run.err;
        return parseCounts(readFile(countsFile));
    }

    void expectSoundOutcome(const Scenario& scenario, const std::string& fault, const RunResult& run) {
        const std::string row = std::string(scenario.name) + " " + fault;
        const auto entries = readArchive(dir() / kArchive);
        const bool holdsItem = entries.has_value() && entries->size() == 1 &&
                               entries->front().name == kItem && entries->front().content == scenario.content;
        const bool itemThere = fs::exists(dir() / kItem);
        EXPECT_EQ(run.out, "") << row;
        if (run.status == 0) {
            EXPECT_TRUE(holdsItem) << row;
            EXPECT_EQ(itemThere, !scenario.move) << row;
        } else {
            EXPECT_EQ(run.status, 3) << row;
            EXPECT_EQ(run.err.rfind("zipfile: ", 0), 0u) << row << ": " << run.err;
            EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << row << ": " << run.err;
            // Files are named as the user knows them: FILE.zip or the item, never a temporary file.
            EXPECT_EQ(run.err.find(".tmp"), std::string::npos) << row << ": " << run.err;
            const bool archiveAsBefore = scenario.oldArchive ? readFile(dir() / kArchive) == m_oldArchive
                                                             : !fs::exists(dir() / kArchive);
            EXPECT_TRUE(archiveAsBefore || holdsItem) << row << ": " << run.err;
            EXPECT_TRUE(itemThere) << row << ": " << run.err;
        }
        if (itemThere) {
            EXPECT_TRUE(readFile(dir() / kItem) == scenario.content) << row;
        }
        std::vector<std::string> expected;
        if (itemThere)
            expected.push_back(kItem);
        if (fs::exists(dir() / kArchive))
            expected.push_back(kArchive);
        EXPECT_EQ(listFolder(dir()), expected) << row << ": " << run.err;
    }

    TempFolder m_folder;
    Scenario m_scenario;
    std::string m_oldArchive;
    FailureLines m_failureLines;
};

// Each distinct failure line with the number of runs that printed it; with the faults behind each
// line when `withFaults`.
void showFailureLines(const FailureLines& lines, bool withFaults) {
    std::cout << lines.size() << " distinct failure lines:\n";
    for (const auto& [line, faults] : lines) {
        std::cout << "  " << faults.size() << " x " << line;
        if (withFaults) {
            for (const std::string& fault : faults)
                std::cout << "      " << fault << "\n";
        }
    }
}

TEST(FaultInjection, EveryFailingCallLeavesTheFilesSound) {
    const Scenario scenarios[] = {
        {"copy over an old archive", false, true, {std::begin(kEveryErrno), std::end(kEveryErrno)}},
        {"move over an old archive", true, true, {std::begin(kEveryErrno), std::end(kEveryErrno)}},
        {"copy without an archive", false, false, {std::begin(kOneErrno), std::end(kOneErrno)}},
        {"move without an archive", true, false, {std::begin(kOneErrno), std::end(kOneErrno)}},
        {"move of several chunks", true, true, {std::begin(kOneErrno), std::end(kOneErrno)}, severalChunks()},
        {"move without a second name",
         true,
         true,
         {std::begin(kOneErrno), std::end(kOneErrno)},
         kContent,
         true},
    };
    struct Outcome {
        int runs;
        FailureLines lines;
    };
    std::vector<std::future<Outcome>> outcomes;
    for (const Scenario& scenario : scenarios)
        outcomes.push_back(std::async(std::launch::async, [scenario] {
            ScenarioRun run(scenario);
            const int runs = run.failEachCall();
            return Outcome{runs, run.failureLines()};
        }));
    int total = 0;
    FailureLines lines;
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        Outcome outcome = outcomes[i].get();
        std::cout << scenarios[i].name << ": " << outcome.runs << " runs\n";
        total += outcome.runs;
        for (auto& [line, faults] : outcome.lines)
            lines[line].insert(lines[line].end(), faults.begin(), faults.end());
    }
    RecordProperty("runs", total);
    showFailureLines(lines, HasFailure());
}

// Each temporary file, the staged archive, the shell's new archive and a moved file's second name, is made
// under a name nobody has: one that another program took since it was picked is left as it was.
TEST(FaultInjection, ANameTakenMeanwhileIsLeftToItsFile) {
    const struct {
        Scenario scenario;
        int temporaries;
    } cases[] = {
        {{"copy over an old archive", false, true, {}}, 2},
        {{"move over an old archive", true, true, {}}, 3},
        {{"move without an archive", true, false, {}}, 3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScenarioRun(c.scenario).takeEachName(), c.temporaries) << c.scenario.name;
}

// A run syncs the new archive once, before it takes FILE.zip's name, and the folder once, after: what
// a power loss needs, and no more.
TEST(FaultInjection, EachRunSyncsOneFileAndOneFolder) {
    const Scenario scenarios[] = {
        {"copy over an old archive", false, true, {}},
        {"move over an old archive", true, true, {}},
        {"copy without an archive", false, false, {}},
        {"move without an archive", true, false, {}},
        {"move of several chunks", true, true, {}, severalChunks()},
        {"move without a second name", true, true, {}, kContent, true},
    };
    for (const Scenario& scenario : scenarios)
        EXPECT_EQ(ScenarioRun(scenario).syncs(), 2) << scenario.name;
}

// Ctrl-C just before each step of the end of a run: until the rename over FILE.zip has begun, the run ends
// as a failure and puts everything back; from then on it finishes.
TEST(FaultInjection, ASignalEndsTheRunUntilTheArchiveGoesInPlace) {
    struct Case {
        const char* signalBefore; // the call, "<function>:<n>", just before which SIGINT comes
        bool move;
        bool oldArchive;
        bool finishes;
    };
    const Case cases[] = {
        {"link:1", true, true, false},       // the moved file's second name
        {"rename:1", false, true, false},    // the new archive over the staged one
        {"rename:1", true, true, false},     //
        {"unlink:1", true, true, false},     // the moved file's own name
        {"fsync:1", false, true, false},     // the sync of the archive before it goes in place
        {"fsync:1", true, false, false},     //
        {"rename:2", true, true, true},      // the archive over FILE.zip
        {"renameat2:1", false, false, true}, // the archive to a new FILE.zip
        {"unlink:2", true, true, true},      // the second name, once the archive is in place
    };
    for (const Case& c : cases) {
        const std::string row = std::string(c.signalBefore) + (c.move ? " move" : " copy") +
                                (c.oldArchive ? " over an old archive" : "");
        const TempFolder folder;
        const fs::path dir(folder.path());
        writeFile(dir / kItem, kContent);
        if (c.oldArchive)
            writeFile(dir / kArchive, kOldContent);
        const std::vector<std::string> before = listFolder(dir);
        const RunResult run = runTool(
            words(c.move), dir,
            {.environment = faultEnvironment({"ZIPFILE_SIGNAL=" + std::string(c.signalBefore) + ":2"})});
        if (c.finishes) {
            EXPECT_EQ(run.status, 0) << row << ": " << run.err;
            const auto entries = readArchive(dir / kArchive);
            ASSERT_TRUE(entries.has_value()) << row;
            EXPECT_EQ(entries->front().content, kContent) << row;
            EXPECT_EQ(fs::exists(dir / kItem), !c.move) << row;
            continue;
        }
        EXPECT_EQ(run.status, 130) << row << ": " << run.err;
        EXPECT_EQ(run.err, "zipfile: The operation was canceled by the user.\n") << row;
        EXPECT_EQ(listFolder(dir), before) << row;
        EXPECT_EQ(readFile(dir / kItem), kContent) << row;
        if (c.oldArchive) {
            EXPECT_EQ(readFile(dir / kArchive), kOldContent) << row;
        }
    }
}

// A fault planted in the archive's central directory as it is written: the new archive does not read back
// with the entry as it was handed over, so it is never put in place and a moved file keeps its name.
TEST(FaultInjection, AnArchiveThatDoesNotReadBackIsNeverPutInPlace) {
    const struct {
        const char* field;
        int offset; // in the central header
    } fields[] = {{"method", 10}, {"CRC", 16}, {"compressed size", 20}, {"size", 24}, {"name length", 28}};
    const struct {
        const char* label;
        std::vector<std::string> words;
        bool linksRefused;
    } runs[] = {{"copy", {kItem}, false},
                {"move", {kItem, "true"}, false},
                {"move without a second name", {kItem, "true"}, true}};
    TempFolder folder;
    const fs::path dir(folder.path());
    writeFile(dir / kItem, kOldContent);
    ASSERT_EQ(runTool({kItem}, dir).status, 0);
    const std::string oldArchive = readFile(dir / kArchive);
    for (const auto& field : fields) {
        for (const auto& run : runs) {
            const std::string row = std::string(run.label) + ", wrong " + field.field;
            writeFile(dir / kItem, kContent);
            std::vector<std::string> settings{"ZIPFILE_CORRUPT_CENTRAL=" + std::to_string(field.offset)};
            if (run.linksRefused)
                settings.push_back(kLinksRefused);
            const RunResult result = runTool(run.words, dir, {.environment = faultEnvironment(settings)});
            EXPECT_EQ(result.status, 3) << row;
            EXPECT_EQ(result.err, "zipfile: The file or directory is corrupted and unreadable.\n") << row;
            EXPECT_EQ(readFile(dir / kItem), kContent) << row;
            EXPECT_EQ(readFile(dir / kArchive), oldArchive) << row;
            EXPECT_EQ(listFolder(dir), (std::vector<std::string>{kItem, kArchive})) << row;
        }
    }
}

} // namespace
