#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "image/BlockCache.h"
#include "image/ByteSource.h"
#include "image/ChdCodec.h"
#include "image/ChdMap.h"

// One metadata entry of a CHD: a four-letter tag and its bytes (for the
// tags this reader looks at, a line of text).
struct ChdMetadata {
    std::uint32_t tag = 0;
    std::string data;
};

// A CHD file (version 5, or version 4 as older chdman wrote it): the header,
// the hunk map, the metadata, and the hunks themselves, each decompressed when a read first touches
// it and kept in a small cache. The data of a parent CHD is not read: a CHD that needs one is
// refused.
class ChdFile {
public:
    static constexpr char MAGIC[8] = {'M', 'C', 'o', 'm', 'p', 'r', 'H', 'D'};

    explicit ChdFile(std::shared_ptr<const ByteSource> file);

    bool IsValid() const { return valid; }
    // Why the file cannot be read, for the user.
    const std::string& Problem() const { return problem; }
    // Why the first hunk that failed to read failed, for the user; empty
    // while every hunk read so far was sound.
    std::string Damage() const;

    std::uint32_t HunkBytes() const { return geometry.hunkBytes; }
    std::uint64_t HunkCount() const { return geometry.hunkCount; }
    std::uint64_t LogicalBytes() const { return logicalBytes; }
    const std::vector<ChdMetadata>& Metadata() const { return metadata; }

    // Copies `length` bytes from `offset` inside a hunk; false when the hunk
    // is damaged or lies in a parent.
    bool ReadHunk(std::uint64_t hunk, std::size_t offset, std::size_t length,
                  unsigned char* into) const;
    // Reads the logical bytes (the image of a hard disk or DVD), with the
    // contract of ByteSource::ReadAt.
    std::optional<std::size_t> ReadLogical(void* into, std::size_t length,
                                           std::uint64_t offset) const;

private:
    bool ReadHeader();
    bool ReadHeaderV5(const unsigned char* header);
    bool ReadHeaderV4(const unsigned char* header);
    bool CheckGeometry();
    bool ReadMetadata(std::uint64_t offset);
    bool DecodeHunk(std::uint64_t hunk, unsigned char* into) const;
    // Records what DecodeHunk found wrong (the first fault only); false.
    bool Damaged(std::uint64_t hunk, const char* what) const;
    bool Fail(std::string why);

    std::shared_ptr<const ByteSource> file;
    bool valid = false;
    std::string problem;
    ChdGeometry geometry;
    std::uint64_t logicalBytes = 0;
    std::vector<ChdMetadata> metadata;
    // The members below change as hunks are read; the cache's lock guards
    // them, as every decode runs inside it.
    mutable std::unique_ptr<ChdMap> map;
    mutable std::array<std::unique_ptr<ChdCodec>, 4> codecs;
    mutable std::vector<unsigned char> stored;
    mutable std::unique_ptr<BlockCache> cache;
    // Written while a hunk decodes and read by whoever reports on the file.
    mutable std::mutex damageLock;
    mutable std::string damage;
};
