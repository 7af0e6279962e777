#pragma once

// The image layer: reading 2048-byte user-data blocks out of every kind of
// disc image (byte and sector sources, the single-file and descriptor
// readers) and the ISO9660 file system on top. It knows nothing of systems,
// game codes or runs.

#include <cstdint>
#include <memory>
#include <string>

#include "image/KelCDImageBase.h"

// The one way into a disc image: constructed from a path, it picks the reader
// that understands the image and reads runs of 2048-byte user-data blocks by
// sector number, whatever the sectors look like on disk.
class KelCDImage {
public:
    explicit KelCDImage(const std::string& path);
    virtual ~KelCDImage() = default;

    bool IsOpened() const { return opened; }
    const KelCDImageBase& Reader() const { return *reader; }

    // Byte size of the file that holds the sectors (0 when unknown). Anything
    // the disc's own structures claim beyond it cannot be real data.
    std::uint64_t DataFileSize() const { return dataFileSize; }

    // Reads `count` user-data blocks starting at `sector` into `destination`
    // (at least count * 2048 bytes). False when the data file cannot be
    // opened; blocks beyond the end of the file are left as they were.
    bool ReadSectors(unsigned char* destination, std::int32_t sector, std::int32_t count) const;

private:
    std::unique_ptr<KelCDImageBase> reader;
    bool opened = false;
    std::uint64_t dataFileSize = 0;
};
