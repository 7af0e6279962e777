#include "image/SectorSource.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/DiscTracks.h"

namespace {

using testsupport::NumberedSectors;

// An extent of `count` cooked blocks of `track` from `first` on; the
// extent's own count is `declared`.
SectorExtent Cooked(std::int64_t first, std::int64_t declared, int track, int count) {
    return {first, declared,
            std::make_shared<MemoryByteSource>(NumberedSectors(track, 0, count, 2048)),
            SectorLayout{0, 2048, 0}};
}

std::string Read(const TrackSectorSource& sectors, std::int64_t first, std::int32_t count,
                 bool complete) {
    std::string blocks(std::size_t(count) * 2048, 'Z');
    EXPECT_EQ(sectors.ReadSectors(reinterpret_cast<unsigned char*>(blocks.data()), first, count),
              complete);
    return blocks;
}

TEST(TrackSectorSource, EachSectorComesFromTheExtentThatHoldsIt) {
    // Given out of order: [6, 12) overlaps the end of [0, 10), which ends where
    // it begins; [15, ...) runs as far as its data, three blocks; the data of
    // [20, 120) holds two.
    const TrackSectorSource sectors(
        {Cooked(15, -1, 3, 3), Cooked(6, 6, 2, 6), Cooked(0, 10, 1, 10), Cooked(20, 100, 4, 2)});
    EXPECT_EQ(sectors.SectorCount(), 22);
    EXPECT_EQ(Read(sectors, 4, 4, true),
              NumberedSectors(1, 4, 2, 2048) + NumberedSectors(2, 0, 2, 2048));
    // The gaps are left as they were, the rest is read.
    EXPECT_EQ(Read(sectors, 10, 13, false),
              NumberedSectors(2, 4, 2, 2048) + std::string(3 * 2048, 'Z') +
                  NumberedSectors(3, 0, 3, 2048) + std::string(2 * 2048, 'Z') +
                  NumberedSectors(4, 0, 2, 2048) + std::string(2048, 'Z'));
    EXPECT_EQ(Read(sectors, -1, 1, false), std::string(2048, 'Z'));
    EXPECT_EQ(Read(sectors, 22, 1, false), std::string(2048, 'Z'));
    EXPECT_EQ(Read(sectors, 3, 0, true), "");
    EXPECT_EQ(TrackSectorSource({}).SectorCount(), 0);
}

}  // namespace
