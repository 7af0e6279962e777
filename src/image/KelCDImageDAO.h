#pragma once

#include <string>

#include "image/ImageFiles.h"
#include "image/KelCDImageBase.h"
#include "image/TrackTable.h"

class CueSheet;

// A disc image that comes with a descriptor: a cue sheet (.cue) with its
// BINARY data files, a CloneCD control file (.ccd) with its .img file, a
// DiscJuggler image (.cdi) or a Nero image (.nrg). The kind is taken from the
// path (anywhere in it, ignoring case, in the order .ccd, .cdi, .cue, .nrg);
// the reader opens when that kind's parser accepts the descriptor and every
// data file it names can be opened. Each sector is then read from the track
// that holds it, numbered from the first track's index 1.
class KelCDImageDAO final : public KelCDImageBase {
public:
    // `sheet`: the reading of the cue sheet at `path`, when the caller has it.
    explicit KelCDImageDAO(const std::string& path, const ImageFiles& files = DiskFiles(),
                           const CueSheet* sheet = nullptr);

    std::int32_t TrackCount() const override { return table.Count(); }
    std::int64_t TrackDataOffset(std::int32_t track) const override;
    std::int32_t TrackSectorSize(std::int32_t track) const override;
    SectorKind TrackSectorKind(std::int32_t track) const override;
    std::string TrackFileName(std::int32_t track) const override;
    std::shared_ptr<const ByteSource> TrackData(std::int32_t track) const override;
    std::int64_t TrackFirstSector(std::int32_t track) const override;
    std::unique_ptr<SectorSource> OpenSectors() const override;

    // The tracks as the descriptor gives them, their data files resolved.
    const TrackTable& Tracks() const { return table; }

private:
    TrackTable table;
};
