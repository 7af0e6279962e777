#include "image/SectorSource.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>

namespace {

// Raw sectors are read in batches of this many, so a large file costs a few
// reads instead of one per sector.
constexpr std::int64_t RAW_BATCH = 64;

}  // namespace

LayoutSectorSource::LayoutSectorSource(std::shared_ptr<const ByteSource> data, SectorLayout layout)
    : data(std::move(data)), layout(layout) {}

std::int64_t LayoutSectorSource::SectorCount() const {
    if (layout.sectorSize <= 0) return 0;
    const std::int64_t firstData = layout.dataOffset + layout.headerBytes;
    const std::int64_t size = std::int64_t(data->Size());
    if (firstData < 0 || size < firstData + USER_DATA_BYTES) return 0;
    return (size - firstData - USER_DATA_BYTES) / layout.sectorSize + 1;
}

bool LayoutSectorSource::ReadSectors(unsigned char* destination, std::int64_t sector,
                                     std::int32_t count) const {
    if (count <= 0) return true;
    const std::int64_t size = layout.sectorSize;
    const std::int64_t header = layout.headerBytes;
    if (sector < 0 || size <= 0) return false;

    // Sectors that would lie before the start of the data cannot be read.
    std::int64_t first = 0;
    while (first < count && layout.dataOffset + (sector + first) * size + header < 0) ++first;
    bool complete = first == 0;
    if (first == count) return false;

    const std::int64_t start = layout.dataOffset + (sector + first) * size;
    unsigned char* const into = destination + first * USER_DATA_BYTES;
    if (size == USER_DATA_BYTES && header == 0) {
        // Cooked sectors are contiguous: one read for the whole run.
        const std::size_t wanted = std::size_t(count - first) * USER_DATA_BYTES;
        const std::optional<std::size_t> got = data->ReadAt(into, wanted, std::uint64_t(start));
        return complete && got && *got == wanted;
    }
    // Raw sectors: read a batch of whole stored sectors, keep their user data.
    const std::int64_t batch = std::min<std::int64_t>(RAW_BATCH, count - first);
    auto raw = std::make_unique_for_overwrite<unsigned char[]>(std::size_t(batch * size));
    for (std::int64_t i = 0; i < count - first; i += batch) {
        const std::int64_t inBatch = std::min<std::int64_t>(batch, count - first - i);
        const std::optional<std::size_t> got =
            data->ReadAt(raw.get(), std::size_t(inBatch * size), std::uint64_t(start + i * size));
        if (!got) return false;
        for (std::int64_t k = 0; k < inBatch; ++k) {
            const std::int64_t from = k * size + header;
            const std::int64_t available =
                std::clamp<std::int64_t>(std::int64_t(*got) - from, 0, USER_DATA_BYTES);
            std::memcpy(into + (i + k) * USER_DATA_BYTES, raw.get() + from, std::size_t(available));
            complete = complete && available == USER_DATA_BYTES;
        }
    }
    return complete;
}

TrackSectorSource::TrackSectorSource(const std::vector<SectorExtent>& extents) {
    for (const SectorExtent& extent : extents) {
        if (!extent.data) continue;
        LayoutSectorSource sectors(extent.data, extent.layout);
        const std::int64_t stored = sectors.SectorCount();
        const std::int64_t count =
            extent.sectorCount < 0 ? stored : std::min(extent.sectorCount, stored);
        if (count <= 0) continue;
        pieces.push_back({extent.firstSector, extent.firstSector + count, std::move(sectors)});
    }
    std::stable_sort(pieces.begin(), pieces.end(),
                     [](const Piece& a, const Piece& b) { return a.firstSector < b.firstSector; });
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
        pieces[i].endSector = std::min(pieces[i].endSector, pieces[i + 1].firstSector);
    }
    std::erase_if(pieces, [](const Piece& piece) { return piece.endSector <= piece.firstSector; });
}

const TrackSectorSource::Piece* TrackSectorSource::PieceAtOrAfter(std::int64_t sector) const {
    auto after = std::upper_bound(
        pieces.begin(), pieces.end(), sector,
        [](std::int64_t wanted, const Piece& piece) { return wanted < piece.firstSector; });
    if (after != pieces.begin() && std::prev(after)->endSector > sector) return &*std::prev(after);
    return after == pieces.end() ? nullptr : &*after;
}

std::int64_t TrackSectorSource::SectorCount() const {
    return pieces.empty() ? 0 : std::max<std::int64_t>(0, pieces.back().endSector);
}

bool TrackSectorSource::ReadSectors(unsigned char* destination, std::int64_t sector,
                                    std::int32_t count) const {
    if (count <= 0) return true;
    if (sector < 0) return false;
    bool complete = true;
    const std::int64_t end = sector + count;
    for (std::int64_t at = sector; at < end;) {
        const Piece* piece = PieceAtOrAfter(at);
        if (piece == nullptr) return false;
        if (piece->firstSector > at) {
            // A gap no track stores: those blocks stay as they were.
            complete = false;
            at = piece->firstSector;
            continue;
        }
        const std::int64_t run = std::min(end, piece->endSector) - at;
        complete = piece->sectors.ReadSectors(destination + (at - sector) * USER_DATA_BYTES,
                                              at - piece->firstSector, std::int32_t(run)) &&
                   complete;
        at += run;
    }
    return complete;
}
