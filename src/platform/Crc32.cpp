#include "platform/Crc32.h"

#include <libdeflate.h>
#include <sys/uio.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>
#include <thread>

#include "platform/ReadOnlyFile.h"

namespace platform {

std::uint32_t Crc32Update(std::uint32_t previous, const void* data, std::size_t length) {
    return libdeflate_crc32(previous, data, length);
}

std::string CrcText(std::uint32_t crc) {
    char text[9];
    const int length = std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(crc));
    return std::string(text, length > 0 ? std::size_t(length) : 0);
}

namespace {

// Small enough to stay in the second-level cache, so the checksum reads what
// the copy from the page cache has just brought in.
constexpr std::size_t BLOCK = std::size_t(256) * 1024;

// Below this a second thread costs more than it saves.
constexpr std::uint64_t SPLIT_FROM = 16 << 20;

// The checksum of [from, to) of what a reader gives; nothing when a read
// fails.
std::optional<std::uint32_t> RangeCrc(const RangeReader& read, std::uint64_t from,
                                      std::uint64_t to) {
    auto block = std::make_unique_for_overwrite<unsigned char[]>(BLOCK);
    std::uint32_t crc = 0;
    while (from < to) {
        const std::optional<std::size_t> got =
            read(block.get(), std::size_t(std::min<std::uint64_t>(BLOCK, to - from)), from);
        if (!got) return std::nullopt;
        if (*got == 0) break;
        crc = Crc32Update(crc, block.get(), *got);
        from += *got;
    }
    return crc;
}

// Whether the bytes at `offset` are in the page cache: a read that may not
// wait for the disk succeeds only then.
bool Cached(int fd, std::uint64_t offset) {
    unsigned char probe[512];
    iovec vector{probe, sizeof probe};
    return preadv2(fd, &vector, 1, off_t(offset), RWF_NOWAIT) > 0;
}

}  // namespace

// The checksum of A followed by B from those of A and B: B's checksum is
// shifted over A's by multiplying with x^(8 * lengthB) in GF(2), by squaring.
std::uint32_t Crc32Combine(std::uint32_t first, std::uint32_t second, std::uint64_t secondLength) {
    using Matrix = std::array<std::uint32_t, 32>;
    auto times = [](const Matrix& matrix, std::uint32_t vector) {
        std::uint32_t sum = 0;
        for (std::size_t row = 0; vector != 0; vector >>= 1, ++row) {
            if (vector & 1) sum ^= matrix[row];
        }
        return sum;
    };
    auto square = [&times](const Matrix& matrix) {
        Matrix result;
        for (std::size_t row = 0; row < 32; ++row) result[row] = times(matrix, matrix[row]);
        return result;
    };
    if (secondLength == 0) return first;
    Matrix odd;  // one zero bit
    odd[0] = 0xEDB88320u;
    for (std::size_t row = 1; row < 32; ++row) odd[row] = 1u << (row - 1);
    Matrix even = square(odd);  // two zero bits
    odd = square(even);         // four zero bits
    for (;;) {
        even = square(odd);  // one zero byte, then 2, 4, ...
        if (secondLength & 1) first = times(even, first);
        secondLength >>= 1;
        if (secondLength == 0) break;
        odd = square(even);
        if (secondLength & 1) first = times(odd, first);
        secondLength >>= 1;
        if (secondLength == 0) break;
    }
    return first ^ second;
}

std::string WholeFileCrcText(const std::string& path, const std::function<bool()>& cancelled) {
    const ReadOnlyFile file(path);
    if (!file.IsOpen()) return CRC_UNREADABLE;
    const std::uint64_t size = file.Size();
    file.AdviseSequential();
    const RangeReader read = [&file, &cancelled](void* into, std::size_t length,
                                                 std::uint64_t offset) {
        if (cancelled && cancelled()) return std::optional<std::size_t>();
        return file.ReadAt(into, length, offset);
    };

    std::optional<std::uint32_t> crc;
    const std::uint64_t half = size / 2;
    if (size >= SPLIT_FROM && Cached(file.Descriptor(), half)) {
        // From memory, copying the file out is what costs: two threads copy
        // and check its two halves at once. From a disk, one reader in order
        // is fastest (two would make a disk seek back and forth).
        std::optional<std::uint32_t> second;
        std::thread other([&] { second = RangeCrc(read, half, size); });
        const std::optional<std::uint32_t> first = RangeCrc(read, 0, half);
        other.join();
        if (first && second) crc = Crc32Combine(*first, *second, size - half);
    } else {
        crc = RangeCrc(read, 0, std::numeric_limits<std::uint64_t>::max());
    }
    return crc ? CrcText(*crc) : CRC_UNREADABLE;
}

std::string ReaderCrcText(const RangeReader& read, std::uint64_t size) {
    const std::optional<std::uint32_t> crc = RangeCrc(read, 0, size);
    return crc ? CrcText(*crc) : CRC_UNREADABLE;
}

}  // namespace platform
