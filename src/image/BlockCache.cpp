#include "image/BlockCache.h"

#include <algorithm>
#include <cstring>

BlockCache::BlockCache(std::size_t blockBytes, std::size_t slotCount)
    : blockBytes(blockBytes), slots(slotCount) {}

bool BlockCache::Read(std::uint64_t block, std::size_t offset, std::size_t length,
                      unsigned char* into, const Decoder& decode) {
    if (offset > blockBytes || length > blockBytes - offset) return false;
    const std::lock_guard<std::mutex> lock(mutex);
    ++clock;
    for (Slot& slot : slots) {
        if (slot.filled && slot.block == block) {
            slot.lastUse = clock;
            std::memcpy(into, slot.bytes.get() + offset, length);
            return true;
        }
    }
    if (length == blockBytes) return decode(block, into);

    Slot& slot = *std::min_element(slots.begin(), slots.end(), [](const Slot& a, const Slot& b) {
        return a.lastUse < b.lastUse;
    });
    if (!slot.bytes) slot.bytes = std::make_unique_for_overwrite<unsigned char[]>(blockBytes);
    slot.filled = false;
    if (!decode(block, slot.bytes.get())) return false;
    slot.block = block;
    slot.filled = true;
    slot.lastUse = clock;
    std::memcpy(into, slot.bytes.get() + offset, length);
    return true;
}

std::optional<std::size_t> BlockCache::ReadImage(std::uint64_t imageBytes, void* into,
                                                 std::size_t length, std::uint64_t offset,
                                                 const Decoder& decode) {
    if (offset >= imageBytes) return 0;
    const std::size_t total = std::size_t(std::min<std::uint64_t>(length, imageBytes - offset));
    auto* out = static_cast<unsigned char*>(into);
    for (std::size_t done = 0; done < total;) {
        const std::uint64_t at = offset + done;
        const std::size_t inBlock = std::size_t(at % blockBytes);
        const std::size_t piece = std::min(total - done, blockBytes - inBlock);
        if (!Read(at / blockBytes, inBlock, piece, out + done, decode)) return std::nullopt;
        done += piece;
    }
    return total;
}
