#pragma once

#include <memory>
#include <string>

#include "image/ByteSource.h"
#include "image/KelCDImageBase.h"

// A single file of sectors: a cooked ISO image or a raw image with 2336-,
// 2352- or 2448-byte sectors. The layout is found by looking for the volume
// descriptor signature of sector 16 at the place each layout would put it.
class KelCDImageISO final : public KelCDImageBase {
public:
    explicit KelCDImageISO(const std::string& path);
    // The same over bytes already open (in memory, or decompressed); `path`
    // names them for the user.
    KelCDImageISO(std::shared_ptr<const ByteSource> data, const std::string& path);

    std::int32_t TrackCount() const override { return 1; }
    std::int64_t TrackDataOffset(std::int32_t) const override { return 0; }
    std::int32_t TrackSectorSize(std::int32_t) const override { return sectorSize; }
    SectorKind TrackSectorKind(std::int32_t) const override {
        return mode == 1 ? SectorKind::Mode1Data : SectorKind::Mode2Data;
    }
    std::string TrackFileName(std::int32_t track) const override {
        return track <= 0 ? imagePath : std::string();
    }
    std::shared_ptr<const ByteSource> TrackData(std::int32_t track) const override {
        return track == 0 && opened ? data : nullptr;
    }

private:
    void Probe(const std::string& path);

    std::shared_ptr<const ByteSource> data;
    std::int32_t sectorSize = 2048;
    std::int32_t mode = 1;
};
