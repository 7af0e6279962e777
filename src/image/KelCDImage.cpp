#include "image/KelCDImage.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "image/KelCDImageDAO.h"
#include "image/KelCDImageISO.h"
#include "platform/FileOps.h"

namespace {

constexpr std::int64_t USER_BYTES = 2048;

// Reads as much of [offset, offset + length) as the file holds; returns the
// number of bytes read.
std::size_t ReadAt(int fd, unsigned char* into, std::size_t length, std::int64_t offset) {
    std::size_t filled = 0;
    while (filled < length) {
        const ssize_t got =
            pread(fd, into + filled, length - filled, offset + std::int64_t(filled));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        filled += static_cast<std::size_t>(got);
    }
    return filled;
}

std::int64_t HeaderBytes(SectorKind kind, std::int32_t sectorSize) {
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

KelCDImage::KelCDImage(const std::string& path) {
    // A descriptor first; a path whose descriptor does not parse is still
    // probed as a single file of sectors.
    reader = std::make_unique<KelCDImageDAO>(path);
    if (!reader->IsOpened()) reader = std::make_unique<KelCDImageISO>(path);
    opened = reader->IsOpened();
    if (opened) dataFileSize = platform::FileSizeOf(reader->ImagePath()).value_or(0);
}

bool KelCDImage::ReadSectors(unsigned char* destination, std::int32_t sector,
                             std::int32_t count) const {
    if (!opened) return false;
    const int fd = open(reader->ImagePath().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    if (count <= 0) {
        close(fd);
        return true;
    }
    posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);

    const std::int64_t base = reader->TrackDataOffset(0);
    const std::int32_t size = reader->TrackSectorSize(0);
    const std::int64_t header = HeaderBytes(reader->TrackSectorKind(0), size);

    // Sectors before the start of the file cannot be read; skip them.
    std::int64_t first = 0;
    while (first < count && base + header + (std::int64_t(sector) + first) * size < 0) ++first;

    if (size == USER_BYTES && header == 0) {
        // Cooked sectors are contiguous: one read for the whole run.
        const std::int64_t offset = base + (std::int64_t(sector) + first) * USER_BYTES;
        ReadAt(fd, destination + first * USER_BYTES, std::size_t((count - first) * USER_BYTES),
               offset);
    } else if (size > 0) {
        // Raw sectors: read a batch of whole stored sectors, keep their user data.
        const std::int64_t batch = std::min<std::int64_t>(64, count - first);
        auto raw = std::make_unique_for_overwrite<unsigned char[]>(std::size_t(batch * size));
        for (std::int64_t i = first; i < count; i += batch) {
            const std::int64_t inBatch = std::min<std::int64_t>(batch, count - i);
            const std::int64_t start = base + (std::int64_t(sector) + i) * size;
            const std::size_t got = ReadAt(fd, raw.get(), std::size_t(inBatch * size), start);
            for (std::int64_t k = 0; k < inBatch; ++k) {
                const std::int64_t from = k * size + header;
                const std::int64_t available =
                    std::clamp<std::int64_t>(std::int64_t(got) - from, 0, USER_BYTES);
                std::memcpy(destination + (i + k) * USER_BYTES, raw.get() + from,
                            std::size_t(available));
            }
        }
    }
    close(fd);
    return true;
}
