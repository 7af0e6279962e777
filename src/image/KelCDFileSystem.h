#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "image/KelCDImage.h"

// One directory of the disc, from the little-endian path table.
struct DirectoryEntry {
    std::string name;  // lower case, each level followed by '\': "" for the root, "data\sub\"
    std::uint32_t size = 0;
    std::uint32_t extent = 0;
    std::uint16_t parent = 0;
};

// One file of the disc, from a directory record.
struct FileEntry {
    // Lower case, levels joined by '\', without the version suffix, and
    // without the dot of a name that has no extension: "module\x.bin",
    // "quake" for QUAKE.;1.
    std::string name;
    std::uint32_t extent = 0;
    std::uint32_t size = 0;
    // The record's multi-extent flag: the file goes on in the next record,
    // which has the same name.
    bool continued = false;
};

// The ISO9660 file system of a disc image: the whole index is read once when
// the object is built; files are then loaded by their path inside the disc.
// Everything it reads comes from an untrusted image, so every structure is
// checked against its buffer and against the size of the image file.
class CueSheet;
class ImageFiles;

class KelCDFileSystem {
public:
    // `sheet`: the reading of the image's cue sheet, when the image is one and
    // the caller has read it.
    explicit KelCDFileSystem(const std::string& imagePath, const CueSheet* sheet = nullptr);
    // The same, with the image's files found in `files`, which must outlive
    // the reading.
    KelCDFileSystem(const std::string& imagePath, const ImageFiles& files, const CueSheet* sheet);
    // The file system of an image opened elsewhere (from memory, in tests).
    explicit KelCDFileSystem(std::unique_ptr<KelCDImage> image);
    virtual ~KelCDFileSystem() = default;

    bool IsValid() const { return valid; }
    // Why the image could not be opened, or else why a read of it failed, for
    // the user; empty when nothing is known.
    std::string Problem() const;

    // Loads the file with this path (ASCII case ignored, '\' between levels, no
    // leading '\', no version suffix), every extent of it in order, and
    // returns the index of its buffer, or -1 when the disc has no such file,
    // or when an extent does not lie inside the image or the file is larger
    // than any file read to identify a disc. Each call loads anew.
    std::int32_t OpenFile(const std::string& path);

    // The loaded bytes, in a block of whole 2048-byte sectors that holds at
    // least one byte more than the file; null for a bad index.
    const unsigned char* FileData(std::int32_t index) const;
    // The loaded size in bytes; 0 for a bad index.
    std::int64_t FileSize(std::int32_t index) const;

    // Checksum text of a file inside the image, or "FFFFFFFF" when it is missing.
    std::string FileCrc(const std::string& path);

    const std::vector<DirectoryEntry>& Directories() const { return directories; }
    const std::vector<FileEntry>& Files() const { return files; }

private:
    void ReadIndex();
    bool WalkPathTable(const std::vector<unsigned char>& table, std::uint32_t tableSize,
                       std::uint32_t rootSize);
    void WalkDirectory(std::size_t row, std::vector<unsigned char>& buffer);
    // Whether `bytes` from sector `extent` on lie inside the image (no bytes
    // always do).
    bool HoldsExtent(std::uint64_t extent, std::uint64_t bytes) const;
    // A zero-filled buffer of whole blocks holding `bytes` plus at least one
    // more, filled from `extent`; false when the image does not hold them.
    bool LoadBlocks(std::uint64_t extent, std::uint64_t bytes, std::vector<unsigned char>& into);
    // The records of the file whose first record is files[first].
    std::size_t ExtentCount(std::size_t first) const;

    std::unique_ptr<KelCDImage> image;
    bool valid = false;
    std::vector<DirectoryEntry> directories;
    std::vector<FileEntry> files;
    std::unordered_map<std::string, std::size_t> firstDirectoryByName;
    std::unordered_map<std::string, std::size_t> firstFileByName;
    std::vector<std::shared_ptr<unsigned char[]>> buffers;
    std::vector<std::int64_t> sizes;
};
