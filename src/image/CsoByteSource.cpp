#include "image/CsoByteSource.h"

#include <libdeflate.h>
#include <lz4.h>

#include <algorithm>
#include <cstring>

#include "image/ByteOrder.h"

namespace {

constexpr std::size_t HEADER_BYTES = 24;
// Blocks are a sector or a few; anything outside this range is damage.
constexpr std::uint32_t MIN_BLOCK = 512;
constexpr std::uint32_t MAX_BLOCK = 1 << 20;
// 16 Mi blocks of 2 KiB cover a dual-layer DVD twice over.
constexpr std::uint64_t MAX_BLOCKS = 1 << 24;
// A block that compresses worse than it stores is kept plain, so a
// compressed block is never much larger than a plain one.
constexpr std::uint64_t MAX_STORED = std::uint64_t(2) * MAX_BLOCK;
constexpr std::size_t CACHED_BLOCKS = 8;

}  // namespace

CsoByteSource::CsoByteSource(std::shared_ptr<const ByteSource> source) : file(std::move(source)) {
    if (!file || !ReadHeader()) return;
    inflater = libdeflate_alloc_decompressor();
    if (inflater == nullptr) {
        Fail("cannot be decompressed here (out of memory)");
        return;
    }
    cache = std::make_unique<BlockCache>(blockBytes, CACHED_BLOCKS);
    valid = true;
}

CsoByteSource::~CsoByteSource() {
    if (inflater != nullptr) libdeflate_free_decompressor(inflater);
}

bool CsoByteSource::Fail(std::string why) {
    problem = std::move(why);
    return false;
}

bool CsoByteSource::ReadHeader() {
    unsigned char header[HEADER_BYTES];
    if (!file->ReadExactly(header, sizeof header, 0)) return Fail("is too short for its header");
    lz4Only = std::memcmp(header, ZSO_MAGIC, 4) == 0;
    if (!lz4Only && std::memcmp(header, CSO_MAGIC, 4) != 0) return Fail("has no CSO header");
    imageBytes = ReadLE64(header + 8);
    blockBytes = ReadLE32(header + 16);
    version = header[20];
    shift = header[21];
    // Version 2 marks its LZ4 blocks with the bit that version 1 uses for
    // plain blocks, and insists on the exact header size.
    const bool knownVersion = lz4Only ? version <= 1 : version <= 2;
    if (!knownVersion || (version == 2 && ReadLE32(header + 4) != HEADER_BYTES)) {
        return Fail("is of a version this reader does not know");
    }
    if (blockBytes < MIN_BLOCK || blockBytes > MAX_BLOCK || shift > 31 || imageBytes == 0) {
        return Fail("has a damaged header");
    }
    const std::uint64_t blocks = (imageBytes - 1) / blockBytes + 1;
    if (blocks > MAX_BLOCKS) return Fail("is larger than any disc");
    dataStart = HEADER_BYTES + (blocks + 1) * 4;
    if (file->Size() < dataStart) return Fail("has a block index past its end");
    return true;
}

std::optional<CsoByteSource::Span> CsoByteSource::SpanOf(std::uint64_t block) const {
    unsigned char entries[8];
    if (!file->ReadExactly(entries, sizeof entries, HEADER_BYTES + block * 4)) return std::nullopt;
    const std::uint32_t entry = ReadLE32(entries);
    const std::uint64_t start = std::uint64_t(entry & 0x7FFFFFFFu) << shift;
    const std::uint64_t end = std::uint64_t(ReadLE32(entries + 4) & 0x7FFFFFFFu) << shift;
    // Blocks lie after the index, in order, inside the file.
    if (start < dataStart || end < start || end > file->Size()) return std::nullopt;
    Span span{start, end - start, Stored::Plain};
    const bool highBit = (entry & 0x80000000u) != 0;
    if (version == 2) {
        // Version 2 stores a block plain exactly when it takes a whole block.
        if (span.length < blockBytes) span.how = highBit ? Stored::Lz4 : Stored::Deflate;
    } else if (!highBit) {
        span.how = lz4Only ? Stored::Lz4 : Stored::Deflate;
    }
    return span;
}

bool CsoByteSource::DecodeBlock(std::uint64_t block, unsigned char* into) const {
    const std::optional<Span> span = SpanOf(block);
    if (!span) return false;
    const std::uint64_t first = block * blockBytes;
    const std::size_t expected =
        std::size_t(std::min<std::uint64_t>(blockBytes, imageBytes - first));
    std::memset(into + expected, 0, blockBytes - expected);
    if (span->how == Stored::Plain) {
        return span->length >= expected && file->ReadExactly(into, expected, span->position);
    }
    if (span->length == 0 || span->length > MAX_STORED) return false;
    stored.resize(std::size_t(span->length));
    if (!file->ReadExactly(stored.data(), stored.size(), span->position)) return false;
    if (span->how == Stored::Lz4) {
        // The span may hold padding up to the next aligned block; decoding
        // stops once the block is complete.
        const int got = LZ4_decompress_safe_partial(
            reinterpret_cast<const char*>(stored.data()), reinterpret_cast<char*>(into),
            int(stored.size()), int(expected), int(blockBytes));
        return got == int(expected);
    }
    std::size_t got = 0;
    const libdeflate_result result = libdeflate_deflate_decompress(
        inflater, stored.data(), stored.size(), into, blockBytes, &got);
    return result == LIBDEFLATE_SUCCESS && got >= expected;
}

std::optional<std::size_t> CsoByteSource::ReadAt(void* into, std::size_t length,
                                                 std::uint64_t offset) const {
    if (!valid) return 0;
    return cache->ReadImage(
        imageBytes, into, length, offset,
        [this](std::uint64_t block, unsigned char* out) { return DecodeBlock(block, out); });
}
