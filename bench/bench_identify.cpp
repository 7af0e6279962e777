// The cost of looking into one disc: build the file system of a cooked image
// of about 300 files in a few folders and load SYSTEM.CNF, page cache warm.
#include <benchmark/benchmark.h>

#include <string>

#include "image/KelCDFileSystem.h"
#include "support/IsoBuilder.h"
#include "support/TempDir.h"

namespace {

const std::string& ImagePath() {
    static testsupport::TempDir dir;
    static const std::string path = [] {
        testsupport::IsoBuilder builder;
        builder.AddFile("SYSTEM.CNF", "BOOT2 = cdrom0:\\SLPM_650.01;1\r\nVER = 1.00\r\n");
        builder.AddFile("SLPM_650.01", std::string(1 << 20, 'e'));
        const char* folders[] = {"DATA", "MODULES", "MOVIE", "SOUND", "DATA/MAP"};
        for (int i = 0; i < 300; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "%s/F%04d.DAT", folders[i % 5], i);
            builder.AddFile(name, std::string(std::size_t(100 + i * 37), char(i)));
        }
        const std::string file = dir / "disc.iso";
        testsupport::WriteIso(builder.Build(), file);
        KelCDFileSystem warm(file);
        return file;
    }();
    return path;
}

void BM_OpenAndLoadSystemCnf(benchmark::State& state) {
    const std::string& path = ImagePath();
    for (auto _ : state) {
        KelCDFileSystem fs(path);
        const std::int32_t index = fs.OpenFile("SYSTEM.CNF");
        if (!fs.IsValid() || index < 0) state.SkipWithError("SYSTEM.CNF not found");
        benchmark::DoNotOptimize(fs.FileData(index));
    }
}

}  // namespace

BENCHMARK(BM_OpenAndLoadSystemCnf)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);
BENCHMARK_MAIN();
