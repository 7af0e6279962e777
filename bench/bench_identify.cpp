// The cost of looking into one disc: build the file system of a cooked image
// of about 300 files in a few folders and load SYSTEM.CNF, page cache warm.
// Then the same for a 4 GiB PS2 DVD compressed as a CHD (chdman createhd
// -hs 2048) and as a CSO: identification decompresses only what it reads,
// where the script a user would write without it (chdman extracthd to a
// temporary file, then isoinfo) decompresses the whole disc.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <optional>
#include <string>

#include "ident/BootFileId.h"
#include "image/KelCDFileSystem.h"
#include "support/CsoBuilder.h"
#include "support/Files.h"
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

// A 4 GiB-class DVD: the boot files and a few folders at its start, one file
// at its end, sparse in between.
struct BigDisc {
    testsupport::TempDir dir;
    std::string iso = dir / "dvd.iso";
    std::string chd = dir / "dvd.chd";
    std::string cso = dir / "dvd.cso";
    bool haveChd = false;

    BigDisc() {
        testsupport::IsoBuilder builder;
        builder.AddFile("SYSTEM.CNF", "BOOT2 = cdrom0:\\SLPM_650.01;1\r\nVER = 1.00\r\n");
        builder.AddFile("SLPM_650.01", std::string(1 << 20, 'e'));
        for (int i = 0; i < 100; ++i) {
            builder.AddFile("DATA/F" + std::to_string(i) + ".DAT", std::string(5000, char(i)));
        }
        builder.AddFile("DATA/LAST.DAT", "end of the disc", testsupport::AtSector(2'090'000));
        testsupport::WriteIso(builder.Build(), iso);
        testsupport::WriteCsoFile(iso, cso, testsupport::CsoFlavor::CsoV1);
        haveChd = testsupport::HaveTool("chdman") &&
                  testsupport::RunCommand("chdman createhd -hs 2048 -f -i " +
                                          testsupport::ShellQuote(iso) + " -o " +
                                          testsupport::ShellQuote(chd) + " >/dev/null 2>&1") == 0;
        KelCDFileSystem warmChd(chd);
        KelCDFileSystem warmCso(cso);
    }
};

const BigDisc& Big() {
    static const BigDisc disc;
    return disc;
}

void Identify(benchmark::State& state, const std::string& image) {
    for (auto _ : state) {
        KelCDFileSystem fs(image);
        const std::optional<std::string> id = IdentifyPlayStation2(fs);
        if (id != "SLPM65001") state.SkipWithError("the disc was not identified");
    }
}

void BM_IdentifyChd(benchmark::State& state) {
    if (!Big().haveChd) return state.SkipWithError("chdman is not installed");
    Identify(state, Big().chd);
}

void BM_IdentifyCso(benchmark::State& state) {
    Identify(state, Big().cso);
}

// What a user would script without CHD support: extract the whole disc to a
// temporary file, then read SYSTEM.CNF from it with isoinfo.
void BM_ChdmanExtractThenIsoinfo(benchmark::State& state) {
    if (!Big().haveChd || !testsupport::HaveTool("isoinfo")) {
        return state.SkipWithError("chdman or isoinfo is not installed");
    }
    const std::string extracted = Big().dir / "extracted.iso";
    for (auto _ : state) {
        std::string output;
        testsupport::RunCommand("chdman extracthd -f -i " + testsupport::ShellQuote(Big().chd) +
                                    " -o " + testsupport::ShellQuote(extracted) +
                                    " >/dev/null 2>&1 && isoinfo -i " +
                                    testsupport::ShellQuote(extracted) + " -x '/SYSTEM.CNF;1'",
                                &output);
        if (output.find("SLPM_650.01") == std::string::npos) {
            state.SkipWithError("isoinfo did not read SYSTEM.CNF");
        }
        std::remove(extracted.c_str());
    }
}

}  // namespace

BENCHMARK(BM_IdentifyChd)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_IdentifyCso)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ChdmanExtractThenIsoinfo)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_OpenAndLoadSystemCnf)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);
BENCHMARK_MAIN();
