#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "image/BlockCache.h"
#include "image/ByteSource.h"

struct libdeflate_decompressor;

// The image inside a CSO or ZSO file: the disc cut into blocks of a fixed
// size, each stored whole or compressed on its own, found through an index of
// block positions after the 24-byte header. CSO version 1 deflates its blocks
// (raw deflate, no zlib wrapper); version 2 adds LZ4 blocks; ZSO compresses
// with LZ4 only. Reads decompress only the blocks they touch, and read only
// the index entries of those blocks: opening a disc of millions of blocks
// costs no more than opening a small one.
class CsoByteSource final : public ByteSource {
public:
    // The magic bytes that start each format.
    static constexpr char CSO_MAGIC[4] = {'C', 'I', 'S', 'O'};
    static constexpr char ZSO_MAGIC[4] = {'Z', 'I', 'S', 'O'};

    explicit CsoByteSource(std::shared_ptr<const ByteSource> file);
    ~CsoByteSource() override;
    CsoByteSource(const CsoByteSource&) = delete;
    CsoByteSource& operator=(const CsoByteSource&) = delete;

    // False when the header or the index is damaged; the source is then empty.
    bool IsValid() const { return valid; }
    // Why the file is no image, for the user.
    const std::string& Problem() const { return problem; }

    std::uint64_t Size() const override { return valid ? imageBytes : 0; }
    std::optional<std::size_t> ReadAt(void* into, std::size_t length,
                                      std::uint64_t offset) const override;

private:
    enum class Stored { Plain, Deflate, Lz4 };
    // Where a block's stored bytes lie and how they are stored.
    struct Span {
        std::uint64_t position = 0;
        std::uint64_t length = 0;
        Stored how = Stored::Plain;
    };

    bool ReadHeader();
    std::optional<Span> SpanOf(std::uint64_t block) const;
    bool DecodeBlock(std::uint64_t block, unsigned char* into) const;
    bool Fail(std::string why);

    std::shared_ptr<const ByteSource> file;
    bool valid = false;
    std::string problem;
    bool lz4Only = false;
    int version = 1;
    std::uint64_t imageBytes = 0;
    std::uint32_t blockBytes = 0;
    unsigned shift = 0;
    // Where the index ends and the blocks begin.
    std::uint64_t dataStart = 0;
    mutable std::unique_ptr<BlockCache> cache;
    // Used only while the cache holds its lock.
    mutable std::vector<unsigned char> stored;
    libdeflate_decompressor* inflater = nullptr;
};
