#pragma once

#include <memory>
#include <string>

#include "image/ByteSource.h"
#include "image/CsoByteSource.h"
#include "image/KelCDImageBase.h"
#include "image/KelCDImageISO.h"

// A CSO or ZSO file: an ISO image compressed block by block. The sectors are
// laid out in the decompressed bytes as in any single-file image, so the
// layout is found the same way.
class KelCDImageCSO final : public KelCDImageBase {
public:
    KelCDImageCSO(std::shared_ptr<const ByteSource> file, const std::string& path);

    std::int32_t TrackCount() const override { return 1; }
    std::int64_t TrackDataOffset(std::int32_t track) const override {
        return single.TrackDataOffset(track);
    }
    std::int32_t TrackSectorSize(std::int32_t track) const override {
        return single.TrackSectorSize(track);
    }
    SectorKind TrackSectorKind(std::int32_t track) const override {
        return single.TrackSectorKind(track);
    }
    std::string TrackFileName(std::int32_t track) const override {
        return track <= 0 ? imagePath : std::string();
    }
    std::shared_ptr<const ByteSource> TrackData(std::int32_t track) const override {
        return opened ? single.TrackData(track) : nullptr;
    }

    // The decompressed image; null when the file is not open.
    std::shared_ptr<const ByteSource> WholeImage() const { return opened ? image : nullptr; }

private:
    std::shared_ptr<const CsoByteSource> image;
    KelCDImageISO single;
};
