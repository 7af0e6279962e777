#include "image/KelCDImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/Files.h"
#include "support/IsoBuilder.h"
#include "support/RawSectors.h"
#include "support/TempDir.h"

using testsupport::IsoBuilder;
using testsupport::RawLayout;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// A disc whose sectors are easy to tell apart: every file sector starts with
// its own number.
std::string NumberedDisc(int dataSectors) {
    IsoBuilder builder;
    std::string data(std::size_t(dataSectors) * 2048, '\0');
    for (int s = 0; s < dataSectors; ++s) {
        std::snprintf(&data[std::size_t(s) * 2048], 32, "data sector %d", s);
    }
    builder.AddFile("DATA.BIN", data);
    return builder.Build().bytes;
}

std::string Block(const std::string& cooked, std::size_t sector) {
    return cooked.substr(sector * 2048, 2048);
}

std::string ReadBlocks(const KelCDImage& image, int sector, int count) {
    std::string out(std::size_t(count) * 2048, '\x5A');
    EXPECT_TRUE(image.ReadSectors(reinterpret_cast<unsigned char*>(out.data()), sector, count));
    return out;
}

}  // namespace

class EveryLayout : public ::testing::TestWithParam<RawLayout> {};

TEST_P(EveryLayout, ProbesTheLayoutAndReadsUserData) {
    TempDir dir;
    const std::string cooked = NumberedDisc(150);
    const std::string path = dir / "disc.img";
    WriteFile(path, testsupport::ToRawSectors(cooked, GetParam()));

    KelCDImage image(path);
    ASSERT_TRUE(image.IsOpened());
    EXPECT_EQ(image.Reader().TrackSectorSize(0), testsupport::SectorSizeOf(GetParam()));
    const bool mode2 = GetParam() == RawLayout::Raw2336Mode2 ||
                       GetParam() == RawLayout::Raw2352Mode2 ||
                       GetParam() == RawLayout::Raw2448Mode2;
    EXPECT_EQ(image.Reader().TrackSectorKind(0),
              mode2 ? SectorKind::Mode2Data : SectorKind::Mode1Data);

    const std::size_t sectors = cooked.size() / 2048;
    EXPECT_EQ(ReadBlocks(image, 16, 1), Block(cooked, 16));
    EXPECT_EQ(ReadBlocks(image, 0, int(sectors)), cooked);  // more than one batch of raw sectors
    EXPECT_EQ(ReadBlocks(image, int(sectors) - 1, 1), Block(cooked, sectors - 1));
}

INSTANTIATE_TEST_SUITE_P(KelCDImage, EveryLayout,
                         ::testing::Values(RawLayout::Cooked2048, RawLayout::Raw2336Mode1,
                                           RawLayout::Raw2336Mode2, RawLayout::Raw2352Mode1,
                                           RawLayout::Raw2352Mode2, RawLayout::Raw2448Mode1,
                                           RawLayout::Raw2448Mode2),
                         [](const auto& info) { return testsupport::LayoutName(info.param); });

TEST(KelCDImage, FirstMatchingRowWinsAndTheModeByteDecidesRawLayouts) {
    TempDir dir;
    const std::string cooked = NumberedDisc(4);

    // A cooked image that also holds the signature where a raw Mode 1 image
    // would: the cooked row comes first.
    std::string both = cooked;
    both.resize(std::max<std::size_t>(both.size(), 16 * 2352 + 16 + 64), '\0');
    std::memcpy(&both[16 * 2352 + 16 + 1], "CD001", 5);
    WriteFile(dir / "both.iso", both);
    KelCDImage first(dir / "both.iso");
    ASSERT_TRUE(first.IsOpened());
    EXPECT_EQ(first.Reader().TrackSectorSize(0), 2048);

    // Raw 2352 with the signature at +24 but a mode byte of 1: read as Mode 1.
    std::string raw = testsupport::ToRawSectors(cooked, RawLayout::Raw2352Mode2);
    raw[15] = 1;
    WriteFile(dir / "mode1.bin", raw);
    KelCDImage modeOne(dir / "mode1.bin");
    ASSERT_TRUE(modeOne.IsOpened());
    EXPECT_EQ(modeOne.Reader().TrackSectorKind(0), SectorKind::Mode1Data);

    // A mode byte that is neither 1 nor 2 leaves the row's own mode.
    raw[15] = 7;
    WriteFile(dir / "odd.bin", raw);
    KelCDImage odd(dir / "odd.bin");
    ASSERT_TRUE(odd.IsOpened());
    EXPECT_EQ(odd.Reader().TrackSectorKind(0), SectorKind::Mode2Data);
    EXPECT_EQ(ReadBlocks(odd, 16, 1), Block(cooked, 16));
}

TEST(KelCDImage, UnrecognisedShortOrMissingFilesDoNotOpen) {
    TempDir dir;
    WriteFile(dir / "game.cue", "FILE \"game.bin\" BINARY\r\n  TRACK 01 MODE2/2352\r\n");
    std::string shortImage = NumberedDisc(4).substr(0, 16 * 2048 + 4);  // "CD00" only
    WriteFile(dir / "short.iso", shortImage);
    for (const std::string& path :
         {dir / "game.cue", dir / "short.iso", dir / "missing.iso", dir.Path()}) {
        KelCDImage image(path);
        EXPECT_FALSE(image.IsOpened()) << path;
        unsigned char block[2048];
        EXPECT_FALSE(image.ReadSectors(block, 16, 1)) << path;
    }
}

TEST(KelCDImage, ReadsPastTheEndFailAndLeaveTheDestinationAlone) {
    TempDir dir;
    const std::string cooked = NumberedDisc(2);
    for (RawLayout layout : {RawLayout::Cooked2048, RawLayout::Raw2352Mode2}) {
        WriteFile(dir / "disc.img", testsupport::ToRawSectors(cooked, layout));
        KelCDImage image(dir / "disc.img");
        ASSERT_TRUE(image.IsOpened());
        const int last = int(cooked.size() / 2048) - 1;
        EXPECT_EQ(image.SectorCount(), last + 1);
        std::string read(3 * 2048, '\x5A');
        EXPECT_FALSE(image.ReadSectors(reinterpret_cast<unsigned char*>(read.data()), last, 3));
        EXPECT_EQ(read.substr(0, 2048), Block(cooked, std::size_t(last)));
        EXPECT_EQ(read.substr(2048), std::string(2 * 2048, '\x5A'));

        std::string untouched(2048, '\x5A');
        auto* into = reinterpret_cast<unsigned char*>(untouched.data());
        EXPECT_TRUE(image.ReadSectors(into, 0, 0));
        EXPECT_FALSE(image.ReadSectors(into, -5, 1));
        EXPECT_EQ(untouched, std::string(2048, '\x5A'));
    }
}

TEST(KelCDImage, ReadsSectorsBeyondFourGibibytes) {
    TempDir dir;
    // 2^21 sectors of 2048 bytes are 4 GiB: the file lies past 2^32 bytes.
    const std::uint32_t farSector = (1u << 21) + 7;
    std::string content(3 * 2048 + 100, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = char('a' + i % 23);
    IsoBuilder builder;
    builder.AddFile("SYSTEM.CNF", "BOOT2 = cdrom0:\\SLPM_650.01;1\r\n");
    builder.AddFile("BIG/FAR.BIN", content, testsupport::AtSector(farSector));
    const auto iso = builder.Build();
    ASSERT_GT(iso.totalSize, 1ull << 32);
    testsupport::WriteIso(iso, dir / "dvd.iso");

    KelCDImage image(dir / "dvd.iso");
    ASSERT_TRUE(image.IsOpened());
    const std::string read = ReadBlocks(image, int(farSector), 4);
    EXPECT_EQ(read.substr(0, content.size()), content);
}
