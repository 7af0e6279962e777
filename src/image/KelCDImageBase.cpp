#include "image/KelCDImageBase.h"

std::int32_t KelCDImageBase::TrackHeaderBytes(std::int32_t track) const {
    const std::int32_t sectorSize = TrackSectorSize(track);
    switch (TrackSectorKind(track)) {
        case SectorKind::Mode2Data:
            return sectorSize == 2336 ? 8 : 24;
        case SectorKind::Mode1Data:
            return (sectorSize == 2352 || sectorSize == 2448) ? 16 : 0;
        default:
            return 0;
    }
}
