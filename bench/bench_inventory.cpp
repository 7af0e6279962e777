// The inventory files are rewritten before every disc of a rename run. With a
// database of 12,820 games this compares expanding every list line anew on each
// call with the run's inventory object, which expands each line once and then
// only writes.

#include <benchmark/benchmark.h>

#include <string>

#include "gamedb/GameDatabase.h"
#include "naming/HaveMissLists.h"
#include "support/CurrentDirectory.h"
#include "support/Files.h"
#include "support/Ps2Database.h"
#include "support/TempDir.h"

namespace {

const std::string LIST_FORMULA = "%n [%i] (%l)";

struct BenchDatabase {
    GameDatabase database;
    bool fromCorpus = false;
};

const BenchDatabase& Ps2Database() {
    static const BenchDatabase loaded = [] {
        BenchDatabase result;
        testsupport::TempDir dir;
        testsupport::WriteFile(dir / "ps2.csv", testsupport::Ps2DatabaseText(&result.fromCorpus));
        ReadDatabase(dir / "ps2.csv", "PS2", result.database);
        return result;
    }();
    return loaded;
}

// A collection partway through: every third game already held.
HaveSet StartingHaveSet(const GameDatabase& database) {
    HaveSet haveIds;
    for (std::size_t i = 0; i < database.idList.size(); i += 3) haveIds.insert(database.idList[i]);
    return haveIds;
}

// The identifier a run finds next: the games StartingHaveSet left out, in
// turn.
const std::string& NextFound(const GameDatabase& database, std::size_t& calls) {
    return database.idList[(3 * calls++ + 1) % database.idList.size()];
}

void Describe(benchmark::State& state, const BenchDatabase& loaded) {
    state.SetLabel(std::string(loaded.fromCorpus ? "corpus ps2.csv, " : "generated, ") +
                   std::to_string(loaded.database.records.size()) + " games");
}

void BM_WriteListsNaive(benchmark::State& state) {
    const BenchDatabase& loaded = Ps2Database();
    testsupport::TempDir dir;
    testsupport::ScopedCurrentDirectory current(dir.Path());
    HaveSet haveIds = StartingHaveSet(loaded.database);
    std::size_t calls = 0;
    for (auto _ : state) {
        haveIds.insert(NextFound(loaded.database, calls));
        if (!WriteHaveMissLists("PS2", haveIds, loaded.database, LIST_FORMULA)) {
            state.SkipWithError("the lists could not be written");
        }
    }
    Describe(state, loaded);
}
BENCHMARK(BM_WriteListsNaive)->Unit(benchmark::kMillisecond);

void BM_WriteListsCached(benchmark::State& state) {
    const BenchDatabase& loaded = Ps2Database();
    testsupport::TempDir dir;
    testsupport::ScopedCurrentDirectory current(dir.Path());
    HaveMissInventory inventory("PS2", loaded.database, LIST_FORMULA,
                                StartingHaveSet(loaded.database));
    std::size_t calls = 0;
    for (auto _ : state) {
        inventory.AddHaveId(NextFound(loaded.database, calls));
        if (!inventory.Write()) state.SkipWithError("the lists could not be written");
    }
    Describe(state, loaded);
}
BENCHMARK(BM_WriteListsCached)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
