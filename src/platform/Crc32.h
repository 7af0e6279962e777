#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace platform {

// The one checksum of the program: the standard CRC-32 of zlib and PKZIP
// (reflected polynomial 0xEDB88320, initial value and final XOR 0xFFFFFFFF).
// Checksums identify discs that carry no readable game code, so every caller
// must compute exactly this value.

// Running checksum in the zlib convention: start from 0, pass the previous
// result to continue; the initial and final inversions happen inside.
std::uint32_t Crc32Update(std::uint32_t previous, const void* data, std::size_t length);

// The checksum of two pieces one after the other, from the checksums of each.
std::uint32_t Crc32Combine(std::uint32_t first, std::uint32_t second, std::uint64_t secondLength);

// Eight upper-case hexadecimal digits, zero-padded.
std::string CrcText(std::uint32_t crc);

// The text that stands for "no checksum": the data could not be read.
inline constexpr const char* CRC_UNREADABLE = "FFFFFFFF";

// Checksum text of a whole file on disk, read in fixed blocks so that memory
// stays constant for any size, or CRC_UNREADABLE when it cannot be read.
// `cancelled`, when given, is asked before each block; true ends the reading
// (CRC_UNREADABLE).
std::string WholeFileCrcText(const std::string& path,
                             const std::function<bool()>& cancelled = nullptr);

// Reads up to `length` bytes from `offset` into `into`: fewer only at the
// end, nothing on a read error.
using RangeReader =
    std::function<std::optional<std::size_t>(void* into, std::size_t length, std::uint64_t offset)>;

// Checksum text of the `size` bytes a reader gives (a decompressed image),
// read in the same fixed blocks, or CRC_UNREADABLE when a read fails.
std::string ReaderCrcText(const RangeReader& read, std::uint64_t size);

}  // namespace platform
