// A whole rename run over 1,000 and 10,000 small PS2 images (each its own
// code) with a 12,820-game database, through orvane-cli, side by side with the
// shell loop a Linux user would write for the same job (isoinfo, grep, sed,
// mv -n per image), with the page cache warm and with the collection's pages
// evicted before each run; the dry run of it, and undo taking it back.
// The run on a share where each request costs a millisecond (latency-fs,
// beside this program), next to the same reads issued 16 at a time.
// BM_RunPhases repeats the run's work per disc in process to show where the
// time goes. ORVANE_CLI names another build of orvane-cli to time.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "gamedb/GameDatabase.h"
#include "ident/BootFileId.h"
#include "ident/DiscHandlers.h"
#include "naming/HaveMissLists.h"
#include "naming/RenamingFormula.h"
#include "platform/FileOps.h"
#include "platform/FileSearch.h"
#include "platform/FolderSnapshots.h"
#include "platform/PathText.h"
#include "rename/DiscRename.h"
#include "rename/FileActions.h"
#include "run/FileEnumeration.h"
#include "support/CurrentDirectory.h"
#include "support/Files.h"
#include "support/IsoBuilder.h"
#include "support/Ps2Database.h"
#include "support/TempDir.h"

namespace {

const std::string FORMULA = "%n [%i]";

using testsupport::ShellQuote;

// The first `count` game codes of the database (four letters, five digits).
std::vector<std::string> CodesOf(const std::string& databaseText, std::size_t count) {
    std::vector<std::string> codes;
    std::set<std::string> seen;
    std::size_t start = 0;
    while (codes.size() < count && start < databaseText.size()) {
        const std::string code = databaseText.substr(start, databaseText.find(';', start) - start);
        start = databaseText.find('\n', start) + 1;
        if (start == 0) break;
        bool gameCode = code.size() == 9;
        for (std::size_t i = 0; gameCode && i < 9; ++i) {
            gameCode =
                i < 4 ? (code[i] >= 'A' && code[i] <= 'Z') : (code[i] >= '0' && code[i] <= '9');
        }
        if (gameCode && seen.insert(code).second) codes.push_back(code);
    }
    return codes;
}

// Drops the cached pages of a file, written back first (dirty pages stay).
void EvictPages(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    fdatasync(fd);
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    close(fd);
}

struct Collection {
    testsupport::TempDir dir;
    std::string templateFolder = dir / "template";
    std::string database = dir / "games.csv";
    std::size_t imageCount = 0;
    bool fromCorpus = false;

    explicit Collection(std::size_t count) {
        const std::string text = testsupport::Ps2DatabaseText(&fromCorpus);
        testsupport::WriteFile(database, text);
        testsupport::MakeDirs(templateFolder);
        for (const std::string& code : CodesOf(text, count)) {
            const std::string bootFile =
                code.substr(0, 4) + "_" + code.substr(4, 3) + "." + code.substr(7, 2);
            char name[32];
            std::snprintf(name, sizeof name, "/disc%05zu.iso", imageCount++);
            testsupport::WriteDisc(
                templateFolder + name,
                {{"SYSTEM.CNF", testsupport::Ps2SystemCnf(bootFile)}, {bootFile, "elf"}});
        }
    }

    // A fresh copy of the collection (in `folder`, dir/run unless given) and
    // an empty start-up directory; with `cold`, the pages of the copy and of
    // the database leave the page cache, so the run reads them from the disk.
    void Reset(bool cold = false, std::string folder = "") const {
        if (folder.empty()) folder = dir / "run";
        testsupport::RunCommand("rm -rf " + ShellQuote(folder) + " " + ShellQuote(dir / "start") +
                                " && mkdir -p " +
                                ShellQuote(platform::SplitAtLastSeparator(folder).folder) +
                                " && cp -r " + ShellQuote(templateFolder) + " " +
                                ShellQuote(folder) + " && mkdir " + ShellQuote(dir / "start"));
        // Written back first, so that the copy's writing does not go on
        // during the timed run, the warm one as the cold.
        sync();
        if (!cold) return;
        for (const std::string& name : testsupport::ListNames(folder)) {
            EvictPages(folder + "/" + name);
        }
        EvictPages(database);
    }
};

const Collection& TheCollection(const benchmark::State& state) {
    static std::map<std::size_t, std::unique_ptr<Collection>> collections;
    const std::size_t count = std::size_t(state.range(0));
    auto& collection = collections[count];
    if (!collection) collection = std::make_unique<Collection>(count);
    return *collection;
}

// A program built beside this one.
std::string BuiltProgram(const std::string& name) {
    char buffer[4096];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    const std::string self(buffer, length > 0 ? std::size_t(length) : 0);
    return platform::SplitAtLastSeparator(self).folder + "/" + name;
}

std::string CliPath() {
    const char* other = std::getenv("ORVANE_CLI");
    return other != nullptr && *other != '\0' ? other : BuiltProgram("orvane-cli");
}

void Label(benchmark::State& state, const Collection& collection, bool cold) {
    state.SetLabel(std::to_string(collection.imageCount) + " images, " +
                   (collection.fromCorpus ? "corpus ps2.csv" : "generated database") +
                   (cold ? ", cold cache" : ""));
}

// Times `command` on a fresh copy of the collection per iteration, after
// `prepare` (untimed) when one is given.
void TimeRuns(benchmark::State& state, const std::string& command, bool cold,
              const std::string& prepare = "") {
    const Collection& collection = TheCollection(state);
    for (auto _ : state) {
        state.PauseTiming();
        collection.Reset(cold);
        if (!prepare.empty() && testsupport::RunCommand(prepare) != 0) {
            state.SkipWithError("the preparation failed");
        }
        state.ResumeTiming();
        if (testsupport::RunCommand(command) != 0) state.SkipWithError("the run failed");
    }
    Label(state, collection, cold);
}

std::string CliCommand(const Collection& collection, const std::string& extra = "",
                       const std::string& folder = "../run") {
    return "cd " + ShellQuote(collection.dir / "start") + " && " + ShellQuote(CliPath()) +
           " rename --folder " + ShellQuote(folder) + " --database " +
           ShellQuote(collection.database) +
           " --system PS2 --formula '%n [%i]' --list-format '%n [%i]'" + extra + " >/dev/null 2>&1";
}

std::string ShellLoop(const Collection& collection) {
    return "cd " + ShellQuote(collection.dir.Path()) +
           " && for f in run/*.iso; do"
           " code=$(isoinfo -i \"$f\" -x '/SYSTEM.CNF;1' | grep -a BOOT |"
           " sed -e 's/.*\\\\//' -e 's/;.*//' -e 's/[_.]//g' | tr -d '\\r');"
           " name=$(grep -a -m1 \"^$code;\" games.csv | cut -d';' -f2);"
           " [ -n \"$name\" ] && mv -n \"$f\" \"run/$name [$code].iso\" 2>/dev/null;"
           " done; true";
}

void BM_OrvaneCli(benchmark::State& state) {
    TimeRuns(state, CliCommand(TheCollection(state)), false);
}

void BM_OrvaneCliColdCache(benchmark::State& state) {
    TimeRuns(state, CliCommand(TheCollection(state)), true);
}

// The plan of the same run, printed; nothing renamed.
void BM_OrvaneCliDryRun(benchmark::State& state) {
    TimeRuns(state, CliCommand(TheCollection(state), " --dry-run"), false);
}

// Taking the run back, every image to its old name.
void BM_OrvaneCliUndo(benchmark::State& state) {
    const Collection& collection = TheCollection(state);
    TimeRuns(state,
             "cd " + ShellQuote(collection.dir / "start") + " && " + ShellQuote(CliPath()) +
                 " undo >/dev/null 2>&1",
             false, CliCommand(collection));
}

void BM_ShellLoop(benchmark::State& state) {
    TimeRuns(state, ShellLoop(TheCollection(state)), false);
}

void BM_ShellLoopColdCache(benchmark::State& state) {
    TimeRuns(state, ShellLoop(TheCollection(state)), true);
}

// The collection's folder (share/run) as a share that answers each request
// after `delayMicroseconds`: latency-fs mounted on dir/mnt, the kernel's
// caches of it empty. Unmounting collects how many requests it answered.
class LatencyShare {
public:
    LatencyShare(const Collection& collection, int delayMicroseconds)
        : mountPoint(collection.dir / "mnt"), countsFile(collection.dir / "counts") {
        const std::string program = BuiltProgram("latency-fs");
        if (access("/dev/fuse", R_OK | W_OK) != 0 || access(program.c_str(), X_OK) != 0 ||
            !testsupport::HaveTool("fusermount3")) {
            return;
        }
        testsupport::RunCommand("mkdir -p " + ShellQuote(mountPoint) + " && rm -f " +
                                ShellQuote(countsFile));
        struct stat before;
        if (stat(mountPoint.c_str(), &before) != 0) return;
        testsupport::RunCommand(
            ShellQuote(program) + " --delay-us " + std::to_string(delayMicroseconds) +
            " --counts " + ShellQuote(countsFile) + " " + ShellQuote(collection.dir / "share") +
            " " + ShellQuote(mountPoint) + " >/dev/null 2>&1 &");
        for (int tries = 0; tries < 500 && !mounted; ++tries) {
            struct stat now;
            mounted = stat(mountPoint.c_str(), &now) == 0 && now.st_dev != before.st_dev;
            if (!mounted) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    LatencyShare(const LatencyShare&) = delete;
    LatencyShare& operator=(const LatencyShare&) = delete;
    ~LatencyShare() { Unmount(); }

    bool Mounted() const { return mounted; }
    std::string Folder() const { return mountPoint + "/run"; }

    // Unmounts, and returns the requests answered by kind.
    std::map<std::string, double> Unmount() {
        std::map<std::string, double> counts;
        if (!mounted) return counts;
        mounted = false;
        testsupport::RunCommand("fusermount3 -u " + ShellQuote(mountPoint));
        for (int tries = 0; tries < 500 && counts.empty(); ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::ifstream in(countsFile);
            std::string kind;
            double count = 0;
            while (in >> kind >> count) counts[kind] = count;
        }
        return counts;
    }

private:
    std::string mountPoint;
    std::string countsFile;
    bool mounted = false;
};

constexpr int SHARE_DELAY_MICROSECONDS = 1000;

// Times `work` on a fresh copy of the collection on the share, mounted anew
// per iteration; reports the share's requests per disc.
template <typename Work>
void TimeOnShare(benchmark::State& state, Work work) {
    const Collection& collection = TheCollection(state);
    std::map<std::string, double> totals;
    for (auto _ : state) {
        state.PauseTiming();
        collection.Reset(false, collection.dir / "share/run");
        LatencyShare share(collection, SHARE_DELAY_MICROSECONDS);
        if (!share.Mounted()) {
            state.SkipWithError("no FUSE here (/dev/fuse, fusermount3 or latency-fs missing)");
            break;
        }
        state.ResumeTiming();
        if (!work(collection, share)) state.SkipWithError("the run failed");
        state.PauseTiming();
        for (const auto& [kind, count] : share.Unmount()) totals[kind] += count;
        state.ResumeTiming();
    }
    const double discs = double(collection.imageCount) * double(state.iterations());
    double all = 0;
    for (const auto& [kind, count] : totals) {
        all += count;
        if (count > 0) state.counters[kind] = count / discs;
    }
    state.counters["requests"] = all / discs;
    state.SetLabel(std::to_string(collection.imageCount) + " images on latency-fs " +
                   std::to_string(SHARE_DELAY_MICROSECONDS) + " us, requests per disc");
}

// The second argument 1: with the checksum option (every image read whole).
void BM_OrvaneCliShare(benchmark::State& state) {
    const std::string extra = state.range(1) != 0 ? " --checksum" : "";
    TimeOnShare(state, [&extra](const Collection& collection, const LatencyShare& share) {
        return testsupport::RunCommand(CliCommand(collection, extra, share.Folder())) == 0;
    });
}

// What the run's reads cost when 16 are in flight at once: the listing, then
// every image's identification reads, by 16 threads; nothing renamed.
void BM_ReadsSixteenAtATimeShare(benchmark::State& state) {
    TimeOnShare(state, [](const Collection&, const LatencyShare& share) {
        const std::string folder = share.Folder();
        const std::vector<platform::FoundEntry> entries = platform::ListFolder(folder);
        std::atomic<std::size_t> next{0};
        std::atomic<std::size_t> identified{0};
        std::vector<std::thread> readers;
        for (int i = 0; i < 16; ++i) {
            readers.emplace_back([&] {
                for (std::size_t at = next++; at < entries.size(); at = next++) {
                    if (IdentifyPlayStation2(folder + "/" + entries[at].name)) ++identified;
                }
            });
        }
        for (std::thread& reader : readers) reader.join();
        return identified == entries.size();
    });
}

// What no run that renames in order can go below: the renames alone, one
// after the other.
void BM_RenamesInOrderShare(benchmark::State& state) {
    TimeOnShare(state, [](const Collection&, const LatencyShare& share) {
        const std::string folder = share.Folder();
        bool moved = true;
        for (const platform::FoundEntry& entry : platform::ListFolder(folder)) {
            moved =
                platform::MovePath(folder + "/" + entry.name, folder + "/renamed " + entry.name) &&
                moved;
        }
        return moved;
    });
}

// The run's work per disc, timed piece by piece: inventory rewrite, handler
// (identification), lookup and rename.
void BM_RunPhases(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const Collection& collection = TheCollection(state);
    double inventorySeconds = 0, identifySeconds = 0, renameSeconds = 0, prepareSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        collection.Reset();
        testsupport::ScopedCurrentDirectory current(collection.dir / "start");
        state.ResumeTiming();

        const auto started = Clock::now();
        std::vector<std::string> candidates;
        platform::FolderSnapshots snapshots;
        EnumerateFiles(collection.dir / "run", false, candidates, &snapshots);
        ReduceToBaseNames(candidates, true);
        HaveSet haveIds;
        LoadHaveIds("PS2", haveIds);
        GameDatabase database;
        ReadDatabase(collection.database, "PS2", database);
        HaveMissInventory inventory("PS2", database, "%n [%i]", haveIds);
        FormulaSettings formula;
        formula.formula = FORMULA;
        DiscHandlerParams params;
        params.folderSnapshots = &snapshots;
        DiskFileActions disk(&snapshots);
        auto mark = Clock::now();
        prepareSeconds += std::chrono::duration<double>(mark - started).count();

        auto lap = [&mark](double& total) {
            const auto now = Clock::now();
            total += std::chrono::duration<double>(now - mark).count();
            mark = now;
        };
        for (const std::string& candidate : candidates) {
            if (inventory.Changed()) inventory.Write();
            lap(inventorySeconds);
            params.basePath = candidate;
            const auto handler = CreateDiscHandler(2, params);
            lap(identifySeconds);
            const std::optional<DiscRecord> record = FindDiscRecord(database, handler->IdAt(0));
            if (record) {
                RenameRequest request;
                request.newName = ExpandFormula(*record, formula);
                if (DiscRename(*handler, request, disk, nullptr).Renamed())
                    inventory.AddHaveId(handler->IdAt(0));
            }
            lap(renameSeconds);
        }
        inventory.Finish();
        lap(inventorySeconds);
    }
    const double runs = double(state.iterations());
    state.counters["prepare_ms"] = 1000 * prepareSeconds / runs;
    state.counters["identify_ms"] = 1000 * identifySeconds / runs;
    state.counters["rename_ms"] = 1000 * renameSeconds / runs;
    state.counters["inventory_ms"] = 1000 * inventorySeconds / runs;
    Label(state, collection, false);
}

}  // namespace

BENCHMARK(BM_OrvaneCli)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(BM_OrvaneCliColdCache)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(BM_OrvaneCliDryRun)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(BM_OrvaneCliUndo)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(BM_OrvaneCliShare)
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
BENCHMARK(BM_ReadsSixteenAtATimeShare)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
BENCHMARK(BM_RenamesInOrderShare)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
BENCHMARK(BM_ShellLoop)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ShellLoopColdCache)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_RunPhases)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK_MAIN();
