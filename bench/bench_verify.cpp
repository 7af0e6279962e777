// verify's two speeds: hashing a 1 GiB image (CRC-32 and SHA-1 in one read,
// reading and hashing on two threads) against a plain read of the same file
// in the same blocks, warm; a second verify of 1,000 images whose hashes
// the cache holds, which should read nothing but file status; and a first
// verify of 32 images of 32 MiB, each in its turn and with readers hashing
// ahead, warm and with the images' pages evicted.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <random>
#include <string>

#include "run/VerifyRun.h"
#include "support/Files.h"
#include "support/IsoBuilder.h"
#include "support/TempDir.h"
#include "verify/TrackHash.h"

namespace {

constexpr std::size_t FILE_BYTES = std::size_t(1) << 30;
constexpr int CACHED_IMAGES = 1000;

// One 1 GiB file of varied bytes, written once and read once so its pages
// are in the page cache for every benchmark.
const std::string& ImagePath() {
    static testsupport::TempDir dir;
    static const std::string path = [] {
        const std::string file = dir / "image.bin";
        std::string chunk(1 << 20, '\0');
        std::mt19937_64 random(1);
        for (std::size_t i = 0; i + 8 <= chunk.size(); i += 8) {
            const std::uint64_t value = random();
            chunk.replace(i, 8, reinterpret_cast<const char*>(&value), 8);
        }
        const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        for (std::size_t written = 0; written < FILE_BYTES; written += chunk.size()) {
            chunk[0] = char(written >> 20);
            if (write(fd, chunk.data(), chunk.size()) != ssize_t(chunk.size())) std::abort();
        }
        close(fd);
        TrackHash warm;
        std::string problem;
        HashFile(file, warm, problem);
        return file;
    }();
    return path;
}

void BM_PlainRead(benchmark::State& state) {
    const std::string& path = ImagePath();
    auto block = std::make_unique<unsigned char[]>(HASH_BLOCK_BYTES);
    for (auto _ : state) {
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        std::size_t total = 0;
        ssize_t got;
        while ((got = read(fd, block.get(), HASH_BLOCK_BYTES)) > 0) total += std::size_t(got);
        close(fd);
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(FILE_BYTES));
}

void BM_VerifyHash(benchmark::State& state) {
    const std::string& path = ImagePath();
    for (auto _ : state) {
        TrackHash hash;
        std::string problem;
        if (!HashFile(path, hash, problem)) state.SkipWithError("the image cannot be read");
        benchmark::DoNotOptimize(hash.crc);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(FILE_BYTES));
}

class NoOutput final : public VerifySink {
public:
    void Progress(std::int64_t, std::int64_t, const std::string&) override {}
    void Disc(const VerifiedDisc& disc) override {
        verified += disc.verdict.status == VerifyStatus::Verified;
    }
    int verified = 0;
};

// `count` PS2 images in dir/ps2, each its own code from SLPM_<group>.00 on and
// `bootFile(i)` in its boot file, and a DAT (dir/ps2.dat) that lists each.
VerifyRequest WriteCollection(const testsupport::TempDir& dir, int count, int group,
                              const std::function<std::string(int)>& bootFile) {
    testsupport::MakeDirs(dir / "ps2");
    std::string dat;
    for (int i = 0; i < count; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "SLPM_%03d.%02d", group + i / 100, i % 100);
        const std::string name = dir / ("ps2/game" + std::to_string(i) + ".iso");
        testsupport::WriteDisc(
            name, {{"SYSTEM.CNF", testsupport::Ps2SystemCnf(code)}, {code, bootFile(i)}});
        TrackHash hash;
        std::string problem;
        HashFile(name, hash, problem);
        char crc[16];
        std::snprintf(crc, sizeof crc, "%08x", hash.crc);
        dat += "game ( name \"Game " + std::to_string(i) + "\" serial \"" +
               std::string(code).substr(0, 4) + "-" + std::string(code).substr(5, 3) +
               std::string(code).substr(9, 2) + "\" rom ( name g.iso size " +
               std::to_string(hash.size) + " crc " + crc + " sha1 " + hash.sha1 + " ) )\n";
    }
    testsupport::WriteFile(dir / "ps2.dat", dat);
    VerifyRequest made;
    made.folder = dir / "ps2";
    made.systemIndex = 2;
    made.datFiles = {dir / "ps2.dat"};
    return made;
}

// 1,000 small PS2 images and a DAT that lists each, verified once so that
// the cache holds them all.
const VerifyRequest& CachedCollection() {
    static testsupport::TempDir dir;
    static const VerifyRequest request = [] {
        VerifyRequest made = WriteCollection(dir, CACHED_IMAGES, 650,
                                             [](int i) { return std::string(4096, char(i)); });
        made.cachePath = dir / "cache.sqlite";
        NoOutput first;
        RunVerify(made, first);
        if (first.verified != CACHED_IMAGES) std::abort();
        return made;
    }();
    return request;
}

void BM_ReverifyCached(benchmark::State& state) {
    const VerifyRequest& request = CachedCollection();
    for (auto _ : state) {
        NoOutput output;
        RunVerify(request, output);
        if (output.verified != CACHED_IMAGES) state.SkipWithError("not every image verified");
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * CACHED_IMAGES);
}

constexpr int LARGE_IMAGES = 32;
constexpr std::size_t LARGE_IMAGE_BYTES = std::size_t(32) << 20;

// 32 PS2 images of 32 MiB of varied bytes, each listed in the DAT.
const VerifyRequest& LargeCollection() {
    static testsupport::TempDir dir;
    static const VerifyRequest request = [] {
        std::mt19937_64 random(2);
        return WriteCollection(dir, LARGE_IMAGES, 660, [&random](int) {
            std::string filler(LARGE_IMAGE_BYTES, '\0');
            for (std::size_t at = 0; at + 8 <= filler.size(); at += 8) {
                const std::uint64_t value = random();
                filler.replace(at, 8, reinterpret_cast<const char*>(&value), 8);
            }
            return filler;
        });
    }();
    return request;
}

// Arguments: the discs read ahead (0: each in its turn), and 1 to evict the
// images' pages before each run.
void BM_VerifyLarge(benchmark::State& state) {
    VerifyRequest request = LargeCollection();
    request.readAhead = std::size_t(state.range(0));
    for (auto _ : state) {
        if (state.range(1) != 0) {
            state.PauseTiming();
            for (const std::string& name : testsupport::ListNames(request.folder)) {
                const int fd = open((request.folder + "/" + name).c_str(), O_RDONLY | O_CLOEXEC);
                posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
                close(fd);
            }
            state.ResumeTiming();
        }
        NoOutput output;
        RunVerify(request, output);
        if (output.verified != LARGE_IMAGES) state.SkipWithError("not every image verified");
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * LARGE_IMAGES *
                            std::int64_t(LARGE_IMAGE_BYTES));
}

}  // namespace

BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_VerifyHash)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_ReverifyCached)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1);
BENCHMARK(BM_VerifyLarge)
    ->Args({0, 0})
    ->Args({8, 0})
    ->Args({0, 1})
    ->Args({8, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2);
BENCHMARK_MAIN();
