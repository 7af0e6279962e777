#include "image/KelCDImageBase.h"

#include <algorithm>
#include <vector>

SectorKind SectorKindOf(TrackMode mode) {
    switch (mode) {
        case TrackMode::Mode1:
            return SectorKind::Mode1Data;
        case TrackMode::Mode2:
            return SectorKind::Mode2Data;
        case TrackMode::Audio:
            return SectorKind::Audio;
        default:
            return SectorKind::Other;
    }
}

std::int32_t UserDataHeaderBytes(SectorKind kind, std::int32_t sectorSize) {
    switch (kind) {
        case SectorKind::Mode2Data:
            if (sectorSize == 2336) return 8;
            return (sectorSize == 2352 || sectorSize == 2448) ? 24 : 0;
        case SectorKind::Mode1Data:
            return (sectorSize == 2352 || sectorSize == 2448) ? 16 : 0;
        default:
            return 0;
    }
}

std::int32_t KelCDImageBase::TrackHeaderBytes(std::int32_t track) const {
    return UserDataHeaderBytes(TrackSectorKind(track), TrackSectorSize(track));
}

std::unique_ptr<SectorSource> KelCDImageBase::OpenSectors() const {
    std::shared_ptr<const ByteSource> data = TrackData(0);
    if (!opened || !data) return nullptr;
    return std::make_unique<LayoutSectorSource>(
        std::move(data), SectorLayout{TrackDataOffset(0), TrackSectorSize(0), TrackHeaderBytes(0)});
}

std::int64_t KelCDImageBase::TrackFirstSector(std::int32_t) const {
    return 0;
}

std::int64_t KelCDImageBase::FirstSectorOf(const TrackTable& table, std::int32_t track) {
    const TrackEntry* row = table.Used(track);
    return row ? row->firstSector - table.At(0).firstSector : 0;
}

std::unique_ptr<SectorSource> KelCDImageBase::OpenTableSectors(const TrackTable& table) const {
    if (!opened) return nullptr;
    // Sector 0 is the first track's index 1; a stored pregap comes before it.
    std::vector<SectorExtent> extents;
    for (std::int32_t track = 0; track < table.Count(); ++track) {
        const TrackEntry& row = table.At(track);
        if (!row.data || row.sectorSize <= 0) continue;
        const std::int64_t pregap = std::max<std::int64_t>(row.pregapSectors, 0);
        SectorExtent extent;
        extent.firstSector = FirstSectorOf(table, track) - pregap;
        extent.sectorCount = row.sectorCount < 0 ? -1 : row.sectorCount + pregap;
        extent.data = row.data;
        extent.layout = {row.dataOffset - pregap * row.sectorSize, row.sectorSize,
                         TrackHeaderBytes(track)};
        extents.push_back(std::move(extent));
    }
    return std::make_unique<TrackSectorSource>(extents);
}
