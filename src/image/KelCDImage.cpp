#include "image/KelCDImage.h"

#include "image/KelCDImageDAO.h"
#include "image/KelCDImageISO.h"

namespace {

std::int32_t HeaderBytes(SectorKind kind, std::int32_t sectorSize) {
    switch (kind) {
        case SectorKind::Mode2Data:
            return sectorSize == 2336 ? 8 : 24;
        case SectorKind::Mode1Data:
            return (sectorSize == 2352 || sectorSize == 2448) ? 16 : 0;
        default:
            return 0;
    }
}

}  // namespace

KelCDImage::KelCDImage(const std::string& path, const ImageFiles& files) {
    auto descriptor = std::make_unique<KelCDImageDAO>(path, files);
    if (descriptor->IsOpened()) {
        UseReader(std::move(descriptor));
        return;
    }
    const std::string refusal = descriptor->Problem();
    UseReader(std::make_unique<KelCDImageISO>(files.Open(path), path));
    if (!opened) problem = refusal;
}

KelCDImage::KelCDImage(std::unique_ptr<KelCDImageBase> chosen) {
    UseReader(std::move(chosen));
}

void KelCDImage::UseReader(std::unique_ptr<KelCDImageBase> chosen) {
    reader = std::move(chosen);
    opened = reader->IsOpened();
    problem = reader->Problem();
    std::shared_ptr<const ByteSource> data = reader->TrackData(0);
    if (!opened || !data) {
        opened = false;
        return;
    }
    // Sectors are read with the first track's layout, whatever track they
    // belong to.
    const std::int32_t size = reader->TrackSectorSize(0);
    sectors = std::make_unique<LayoutSectorSource>(
        std::move(data), SectorLayout{reader->TrackDataOffset(0), size,
                                      HeaderBytes(reader->TrackSectorKind(0), size)});
}

std::int64_t KelCDImage::SectorCount() const {
    return sectors ? sectors->SectorCount() : 0;
}

bool KelCDImage::ReadSectors(unsigned char* destination, std::int64_t sector,
                             std::int32_t count) const {
    if (!sectors) return false;
    return sectors->ReadSectors(destination, sector, count);
}
