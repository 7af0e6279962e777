#pragma once

// The verify layer: checking dumps against the sizes and hashes a DAT lists
// for each file of each game. It hashes the tracks of a disc (files on disk,
// or the decompressed tracks of a compressed image), keeps the hashes in a
// cache, and compares them with the DAT games that the disc's game code, or
// else its sizes and hashes, point to.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Crc32.h"

// The hashes of one track's bytes.
struct TrackHash {
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    std::string sha1;  // 40 lower-case hexadecimal digits
};

// Bytes read per block: large sequential reads keep a disk streaming, and
// two blocks in flight keep the reader and the hasher both busy.
inline constexpr std::size_t HASH_BLOCK_BYTES = std::size_t(4) << 20;

// Reads the `size` bytes `read` gives, in order, on a thread of its own that
// also takes their CRC-32, while this thread computes their SHA-1. Nothing when a read fails or
// comes short. A read error is not retried: the caller reports the track as
// unreadable.
bool HashBytes(const platform::RangeReader& read, std::uint64_t size, TrackHash& hash);

// The same for a regular file on disk, read from start to end; `problem`
// says why it could not be read. Once `cancelled` says so, reading ends, and
// the file counts as not read.
bool HashFile(const std::string& path, TrackHash& hash, std::string& problem,
              const std::function<bool()>& cancelled = nullptr);
