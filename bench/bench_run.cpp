// A whole rename run over 1,000 and 10,000 small PS2 images (each its own
// code) with a 12,820-game database, through orvane-cli, side by side with the
// shell loop a Linux user would write for the same job (isoinfo, grep, sed,
// mv -n per image), with the page cache warm and with the collection's pages
// evicted before each run; the dry run of it, and undo taking it back.
// BM_RunPhases repeats the run's work per disc in process to show where the
// time goes.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "gamedb/GameDatabase.h"
#include "ident/DiscHandlers.h"
#include "naming/HaveMissLists.h"
#include "naming/RenamingFormula.h"
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

    // A fresh copy of the collection and an empty start-up directory; with
    // `cold`, the pages of the copy and of the database leave the page cache,
    // so the run reads them from the disk.
    void Reset(bool cold = false) const {
        testsupport::RunCommand("rm -rf " + ShellQuote(dir / "run") + " " +
                                ShellQuote(dir / "start") + " && cp -r " +
                                ShellQuote(templateFolder) + " " + ShellQuote(dir / "run") +
                                " && mkdir " + ShellQuote(dir / "start"));
        if (!cold) return;
        for (const std::string& name : testsupport::ListNames(dir / "run")) {
            EvictPages(dir / ("run/" + name));
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

std::string CliPath() {
    char buffer[4096];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    const std::string self(buffer, length > 0 ? std::size_t(length) : 0);
    return platform::SplitAtLastSeparator(self).folder + "/orvane-cli";
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

std::string CliCommand(const Collection& collection, const std::string& extra = "") {
    return "cd " + ShellQuote(collection.dir / "start") + " && " + ShellQuote(CliPath()) +
           " rename --folder ../run --database " + ShellQuote(collection.database) +
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
