#include "image/KelCDImageBase.h"

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
