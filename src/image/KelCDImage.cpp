#include "image/KelCDImage.h"

#include "image/CompressedImages.h"
#include "image/KelCDImageCHD.h"
#include "image/KelCDImageCSO.h"
#include "image/KelCDImageDAO.h"
#include "image/KelCDImageISO.h"

KelCDImage::KelCDImage(const std::string& path, const ImageFiles& files, const CueSheet* sheet) {
    auto descriptor = std::make_unique<KelCDImageDAO>(path, files, sheet);
    if (descriptor->IsOpened()) {
        UseReader(std::move(descriptor));
        return;
    }
    const std::string refusal = descriptor->Problem();
    // Compressed images are known by their first bytes, whatever their name;
    // one that is damaged is no image, and is not probed as a plain one.
    std::shared_ptr<const ByteSource> data = files.Open(path);
    switch (data ? CompressedFormatOf(*data) : CompressedFormat::None) {
        case CompressedFormat::Chd:
            UseReader(std::make_unique<KelCDImageCHD>(std::move(data), path));
            return;
        case CompressedFormat::Cso:
            UseReader(std::make_unique<KelCDImageCSO>(std::move(data), path));
            return;
        case CompressedFormat::None:
            break;
    }
    UseReader(std::make_unique<KelCDImageISO>(std::move(data), path));
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
