// Whole-file checksum against a plain read of the same file in the same
// blocks: the checksum should cost little beyond the read itself.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <random>
#include <string>

#include "platform/Crc32.h"
#include "support/TempDir.h"

namespace {

constexpr std::size_t FILE_BYTES = std::size_t(1) << 30;
constexpr std::size_t BLOCK = 256 * 1024;

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
        platform::WholeFileCrcText(file);
        return file;
    }();
    return path;
}

void BM_PlainRead(benchmark::State& state) {
    const std::string& path = ImagePath();
    auto block = std::make_unique<unsigned char[]>(BLOCK);
    for (auto _ : state) {
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        std::size_t total = 0;
        ssize_t got;
        while ((got = read(fd, block.get(), BLOCK)) > 0) total += std::size_t(got);
        close(fd);
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(FILE_BYTES));
}

void BM_ImageCrc(benchmark::State& state) {
    const std::string& path = ImagePath();
    for (auto _ : state) benchmark::DoNotOptimize(platform::WholeFileCrcText(path));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(FILE_BYTES));
}

}  // namespace

BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_ImageCrc)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK_MAIN();
