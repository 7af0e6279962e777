#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/ReadOnlyFile.h"

// The bytes under every image reader: a file on disk, bytes in memory, or the
// decompressed content of a compressed image. Readers, parsers and the ISO9660
// file system read through this interface only, so they work the same over
// all of them, and tests and fuzz targets can hand them images in memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;

    virtual std::uint64_t Size() const = 0;

    // Reads up to `length` bytes from `offset`: fewer only at the end of the
    // source, none from at or past its end. Nothing on a read error (a failing
    // disk, damaged compressed data).
    virtual std::optional<std::size_t> ReadAt(void* into, std::size_t length,
                                              std::uint64_t offset) const = 0;

    // Reads exactly `length` bytes; false on an error or a short read.
    bool ReadExactly(void* into, std::size_t length, std::uint64_t offset) const;
};

// A regular file, opened once and read with positional reads. A path that is
// missing, unreadable or not a regular file gives a source that is not open.
class FileByteSource final : public ByteSource {
public:
    explicit FileByteSource(const std::string& path);

    bool IsOpen() const { return file.IsOpen(); }
    platform::FileStatus Status() const { return file.Status(); }

    std::uint64_t Size() const override { return file.Size(); }
    std::optional<std::size_t> ReadAt(void* into, std::size_t length,
                                      std::uint64_t offset) const override;

    // Hints the page cache that reads will jump around.
    void AdviseRandom() const { file.AdviseRandom(); }

private:
    platform::ReadOnlyFile file;
};

// Bytes held in memory.
class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::string bytes) : bytes(std::move(bytes)) {}

    std::uint64_t Size() const override { return bytes.size(); }
    std::optional<std::size_t> ReadAt(void* into, std::size_t length,
                                      std::uint64_t offset) const override;

private:
    std::string bytes;
};

// Opens a file as a source; null when it cannot be read.
std::shared_ptr<const ByteSource> OpenFileSource(const std::string& path);
