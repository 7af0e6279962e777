#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// The last few blocks decoded out of a compressed image. A file system read
// touches the same block again and again (a directory sector, then the next
// one), so each block is decoded once while it is in use, not once per read.
// Reads of whole blocks are decoded straight into the caller's buffer and
// leave the cache alone, so reading a whole image costs no extra copy.
class BlockCache {
public:
    // Decodes one block of `blockBytes` bytes into `into`; false when the
    // block is damaged.
    using Decoder = std::function<bool(std::uint64_t block, unsigned char* into)>;

    BlockCache(std::size_t blockBytes, std::size_t slots);

    // Copies `length` bytes from `offset` inside `block` into `into`, decoding
    // the block when it is not held. False when it does not decode.
    bool Read(std::uint64_t block, std::size_t offset, std::size_t length, unsigned char* into,
              const Decoder& decode);

    // Reads bytes of an image of `imageBytes` bytes made of such blocks, with
    // the contract of ByteSource::ReadAt: fewer bytes only at the end, none
    // at all when a block they touch is damaged.
    std::optional<std::size_t> ReadImage(std::uint64_t imageBytes, void* into, std::size_t length,
                                         std::uint64_t offset, const Decoder& decode);

private:
    struct Slot {
        std::uint64_t block = 0;
        std::uint64_t lastUse = 0;
        bool filled = false;
        std::unique_ptr<unsigned char[]> bytes;
    };

    std::size_t blockBytes;
    std::vector<Slot> slots;
    std::uint64_t clock = 0;
    // Readers share one image; decoders keep state of their own.
    std::mutex mutex;
};
