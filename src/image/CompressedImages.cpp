#include "image/CompressedImages.h"

#include <cstring>

#include "image/ChdFile.h"
#include "image/CsoByteSource.h"
#include "image/KelCDImageCHD.h"
#include "image/KelCDImageCSO.h"

CompressedFormat CompressedFormatOf(const ByteSource& file) {
    unsigned char magic[8];
    if (!file.ReadExactly(magic, sizeof magic, 0)) return CompressedFormat::None;
    if (std::memcmp(magic, ChdFile::MAGIC, 8) == 0) return CompressedFormat::Chd;
    if (std::memcmp(magic, CsoByteSource::CSO_MAGIC, 4) == 0 ||
        std::memcmp(magic, CsoByteSource::ZSO_MAGIC, 4) == 0) {
        return CompressedFormat::Cso;
    }
    return CompressedFormat::None;
}

std::shared_ptr<const ByteSource> DecompressedImage(std::shared_ptr<const ByteSource> file,
                                                    const std::string& path) {
    switch (file ? CompressedFormatOf(*file) : CompressedFormat::None) {
        case CompressedFormat::Chd:
            return KelCDImageCHD(std::move(file), path).WholeImage();
        case CompressedFormat::Cso:
            return KelCDImageCSO(std::move(file), path).WholeImage();
        case CompressedFormat::None:
            break;
    }
    return nullptr;
}
