#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "image/ByteSource.h"
#include "image/ChdFile.h"

// The byte sources a CHD gives the image readers.

// The logical bytes of a hard disk or DVD CHD: the disc's 2048-byte sectors
// one after the other, as an ISO file holds them.
class ChdLogicalByteSource final : public ByteSource {
public:
    explicit ChdLogicalByteSource(std::shared_ptr<const ChdFile> chd) : chd(std::move(chd)) {}

    std::uint64_t Size() const override { return chd->LogicalBytes(); }
    std::optional<std::size_t> ReadAt(void* into, std::size_t length,
                                      std::uint64_t offset) const override {
        return chd->ReadLogical(into, length, offset);
    }

private:
    std::shared_ptr<const ChdFile> chd;
};

// One track of a CD CHD as a BIN file holds it: of each of its frames (2352
// sector bytes and 96 subcode bytes, several to a hunk) the `sectorBytes`
// the track type stores, audio samples little-endian (CHD keeps them
// big-endian).
class ChdTrackByteSource final : public ByteSource {
public:
    ChdTrackByteSource(std::shared_ptr<const ChdFile> chd, std::uint64_t firstFrame,
                       std::uint64_t frames, std::uint32_t sectorBytes, bool audio);

    std::uint64_t Size() const override { return frames * sectorBytes; }
    std::optional<std::size_t> ReadAt(void* into, std::size_t length,
                                      std::uint64_t offset) const override;

private:
    std::shared_ptr<const ChdFile> chd;
    std::uint64_t firstFrame;
    std::uint64_t frames;
    std::uint32_t sectorBytes;
    std::uint32_t framesPerHunk;
    bool audio;
};

// Byte sources one after the other: a CD's tracks as one BIN file.
class ConcatenatedByteSource final : public ByteSource {
public:
    explicit ConcatenatedByteSource(std::vector<std::shared_ptr<const ByteSource>> parts);

    std::uint64_t Size() const override { return size; }
    std::optional<std::size_t> ReadAt(void* into, std::size_t length,
                                      std::uint64_t offset) const override;

private:
    std::vector<std::shared_ptr<const ByteSource>> parts;
    std::uint64_t size = 0;
};
