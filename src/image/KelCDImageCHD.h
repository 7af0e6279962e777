#pragma once

#include <array>
#include <memory>
#include <string>

#include "image/ByteSource.h"
#include "image/ChdFile.h"
#include "image/KelCDImageBase.h"
#include "image/KelCDImageISO.h"
#include "image/TrackTable.h"

// A CHD file. A CD image (its metadata lists the tracks) gives one track row
// per track, each over the track's frames as a BIN file would hold them, as
// a descriptor gives, and each sector is read from the track that holds it,
// the pregaps chdman did not store counted as on the disc; a DVD or hard
// disk image (2048-byte sectors, made with chdman createhd, createraw or
// createdvd) is one run of bytes whose layout is found as in any
// single-file image.
class KelCDImageCHD final : public KelCDImageBase {
public:
    KelCDImageCHD(std::shared_ptr<const ByteSource> file, const std::string& path);

    std::int32_t TrackCount() const override;
    std::int64_t TrackDataOffset(std::int32_t track) const override;
    std::int32_t TrackSectorSize(std::int32_t track) const override;
    SectorKind TrackSectorKind(std::int32_t track) const override;
    std::int32_t TrackHeaderBytes(std::int32_t track) const override;
    std::string TrackFileName(std::int32_t track) const override;
    std::shared_ptr<const ByteSource> TrackData(std::int32_t track) const override;
    std::string ReadProblem() const override;
    std::int64_t TrackFirstSector(std::int32_t track) const override;
    std::unique_ptr<SectorSource> OpenSectors() const override;

    // The decompressed image as one run of bytes: a DVD's sectors, or a CD's
    // tracks one after the other as a single BIN file holds them. Null when
    // the file is not open.
    std::shared_ptr<const ByteSource> WholeImage() const { return opened ? whole : nullptr; }

private:
    // Builds the track rows from the CD track list; why it cannot, or null.
    const char* ReadTracks(const std::string& path);

    std::shared_ptr<const ChdFile> chd;
    bool isCd = false;
    TrackTable table;
    std::array<std::int32_t, TrackTable::MAX_TRACKS> headerBytes{};
    std::unique_ptr<KelCDImageISO> single;
    std::shared_ptr<const ByteSource> whole;
};
