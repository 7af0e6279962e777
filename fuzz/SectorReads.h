#pragma once

#include <cstdint>

#include "image/KelCDImage.h"

// Reads an opened image where its tracks meet and at its ends: the first
// sectors, the volume descriptors, the last sectors and one past them.
inline void ReadAround(const KelCDImage& image) {
    if (!image.IsOpened()) return;
    unsigned char blocks[4 * 2048];
    const std::int64_t count = image.SectorCount();
    for (const std::int64_t sector : {std::int64_t(0), std::int64_t(16), count - 3, count / 2}) {
        image.ReadSectors(blocks, sector, 4);
    }
}
