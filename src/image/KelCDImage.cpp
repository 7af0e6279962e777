#include "image/KelCDImage.h"

#include "image/KelCDImageDAO.h"
#include "image/KelCDImageISO.h"

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
    problem = reader->Problem();
    sectors = reader->OpenSectors();
    opened = reader->IsOpened() && sectors != nullptr;
}

std::int64_t KelCDImage::SectorCount() const {
    return sectors ? sectors->SectorCount() : 0;
}

bool KelCDImage::ReadSectors(unsigned char* destination, std::int64_t sector,
                             std::int32_t count) const {
    if (!sectors) return false;
    return sectors->ReadSectors(destination, sector, count);
}
