#pragma once

// The image layer: reading 2048-byte user-data blocks out of every kind of
// disc image (byte and sector sources, the single-file, descriptor and
// compressed-image readers) and the ISO9660 file system on top. It knows
// nothing of systems, game codes or runs.

#include <cstdint>
#include <memory>
#include <string>

#include "image/ImageFiles.h"
#include "image/KelCDImageBase.h"
#include "image/SectorSource.h"

class CueSheet;

// The one way into a disc image: constructed from a path, it picks the reader
// that understands the image and reads runs of 2048-byte user-data blocks by
// sector number, whatever the sectors look like where they are stored. Sector
// 0 is the first track's first sector; every sector is read with the sector
// size, mode, offset and file of the track that holds it.
class KelCDImage {
public:
    // A descriptor first; then a compressed image (CHD, CSO or ZSO), known
    // by its first bytes; else a single file of sectors, which a path whose
    // descriptor does not parse still is probed as.
    // `sheet`: the reading of the cue sheet at `path`, when the caller has it.
    explicit KelCDImage(const std::string& path, const ImageFiles& files = DiskFiles(),
                        const CueSheet* sheet = nullptr);
    // An image over a reader built elsewhere (from memory, in tests).
    explicit KelCDImage(std::unique_ptr<KelCDImageBase> reader);
    virtual ~KelCDImage() = default;

    bool IsOpened() const { return opened; }
    const KelCDImageBase& Reader() const { return *reader; }
    // Why the image could not be read, for the user; empty when nothing is
    // known beyond "not an image".
    const std::string& Problem() const { return problem; }
    // Why a read of the opened image failed, for the user; empty while every
    // read succeeded.
    std::string ReadProblem() const { return reader->ReadProblem(); }

    // Whole sectors the image holds: anything the disc's own structures claim
    // beyond them cannot be real data.
    std::int64_t SectorCount() const;

    // Reads `count` user-data blocks starting at `sector` into `destination`
    // (at least count * 2048 bytes). False when the image is not open, a read
    // failed, or a block lies beyond the image or where no track stores data
    // (such blocks are left as they were).
    bool ReadSectors(unsigned char* destination, std::int64_t sector, std::int32_t count) const;

private:
    void UseReader(std::unique_ptr<KelCDImageBase> chosen);

    std::unique_ptr<KelCDImageBase> reader;
    bool opened = false;
    std::unique_ptr<SectorSource> sectors;
    std::string problem;
};
