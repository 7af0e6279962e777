// Extraction speed of the archive extractors against the 7-Zip command-line
// program on the same archives, and the peak memory of our extraction.
//
// The archives are generated on first use in a temporary folder: one 200 MiB
// disc image of mixed data (zero runs, repetitive sector-like text, random
// bytes), packed by 7zz as 7z and as zip.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

#include "archive/KelArchivers.h"
#include "platform/FileOps.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace {

constexpr std::uint64_t IMAGE_BYTES = 200ull << 20;
constexpr std::size_t CHUNK = 64 * 1024;

// A deterministic generator, so every run packs the same image.
struct Lcg {
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    std::uint32_t Next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return std::uint32_t(state >> 33);
    }
};

void FillChunk(std::string& chunk, std::uint64_t index, Lcg& random) {
    static const char* const WORDS[] = {"SECTOR ",   "TRACK ", "MODE2 ", "DATA ", "PSX ",
                                        "LICENSED ", "0000 ",  "FFFF ",  "BOOT ", "CDROM "};
    chunk.clear();
    switch (index % 4) {
        case 0:  // silence and padding
            chunk.assign(CHUNK, '\0');
            break;
        case 1:
        case 2:  // structured, compressible content
            while (chunk.size() < CHUNK) chunk += WORDS[random.Next() % 10];
            chunk.resize(CHUNK);
            break;
        default:  // already compressed content (video, audio)
            chunk.resize(CHUNK);
            for (std::size_t i = 0; i < CHUNK; i += 4) {
                const std::uint32_t value = random.Next();
                for (std::size_t b = 0; b < 4; ++b) chunk[i + b] = char(value >> (8 * b));
            }
            break;
    }
}

class Archives {
public:
    static Archives& Get() {
        static Archives archives;
        return archives;
    }

    bool Ready() const { return ready; }
    std::string SevenZip() const { return dir / "image.7z"; }
    std::string Zip() const { return dir / "image.zip"; }
    std::string Folder(const std::string& name) const { return dir / name; }

private:
    Archives() {
        std::ofstream image(dir / "image.bin", std::ios::binary);
        std::string chunk;
        Lcg random;
        for (std::uint64_t index = 0; index * CHUNK < IMAGE_BYTES; ++index) {
            FillChunk(chunk, index, random);
            image.write(chunk.data(), std::streamsize(chunk.size()));
        }
        image.close();
        const std::string folder = testsupport::ShellQuote(dir.Path());
        ready = image && testsupport::RunCommand("cd " + folder +
                                                 " && 7zz a -bd -t7z image.7z image.bin >/dev/null"
                                                 " && 7zz a -bd -tzip image.zip image.bin"
                                                 " >/dev/null") == 0;
        platform::DeleteFile(dir / "image.bin");
    }

    testsupport::TempDir dir;
    bool ready = false;
};

double PeakRssMiB() {
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void Extract(benchmark::State& state, const std::string& archive) {
    const Archives& archives = Archives::Get();
    if (!archives.Ready()) {
        state.SkipWithError("cannot build the archives (7zz missing?)");
        return;
    }
    const std::string out = archives.Folder("ours");
    for (auto _ : state) {
        auto archiver = std::make_unique<KelArchiver7Z>(ArchiveRequest{archive, out, nullptr});
        if (!archiver->Succeeded()) {
            state.SkipWithError("extraction failed");
            return;
        }
        state.PauseTiming();
        archiver.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * IMAGE_BYTES));
    state.counters["peak_rss_MiB"] = PeakRssMiB();
}

void ExtractWith7zz(benchmark::State& state, const std::string& archive) {
    const Archives& archives = Archives::Get();
    if (!archives.Ready()) {
        state.SkipWithError("cannot build the archives (7zz missing?)");
        return;
    }
    const std::string out = archives.Folder("7zz");
    const std::string command = "7zz e -y -bd -o" + testsupport::ShellQuote(out) + " " +
                                testsupport::ShellQuote(archive) + " >/dev/null";
    for (auto _ : state) {
        if (testsupport::RunCommand(command) != 0) {
            state.SkipWithError("7zz failed");
            return;
        }
        state.PauseTiming();
        platform::RemoveTree(out);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * IMAGE_BYTES));
}

void BM_Extract(benchmark::State& state) {
    Extract(state, Archives::Get().SevenZip());
}
void BM_7zzExtract(benchmark::State& state) {
    ExtractWith7zz(state, Archives::Get().SevenZip());
}
void BM_ExtractZip(benchmark::State& state) {
    Extract(state, Archives::Get().Zip());
}
void BM_7zzExtractZip(benchmark::State& state) {
    ExtractWith7zz(state, Archives::Get().Zip());
}

// The machine is shared: repetitions give medians that a busy moment does not sway.
BENCHMARK(BM_Extract)->Unit(benchmark::kMillisecond)->MinTime(5)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_7zzExtract)->Unit(benchmark::kMillisecond)->MinTime(5)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_ExtractZip)->Unit(benchmark::kMillisecond)->MinTime(5)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_7zzExtractZip)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(5)
    ->UseRealTime()
    ->Repetitions(3);

}  // namespace

BENCHMARK_MAIN();
