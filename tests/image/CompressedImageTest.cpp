// CSO, ZSO and CHD images written here from the formats' published layouts
// (the CHD codecs and metadata that chdman 0.251 cannot write), damaged
// copies of them, which must be clean failures, and CHDs made by chdman,
// whose every byte and sector must agree with what chdman extracts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "image/CdSectorEcc.h"
#include "image/CompressedImages.h"
#include "image/KelCDFileSystem.h"
#include "image/KelCDImageCHD.h"
#include "image/KelCDImageCSO.h"
#include "support/ChdBuilder.h"
#include "support/CsoBuilder.h"
#include "support/Files.h"
#include "support/IsoBuilder.h"
#include "support/PutBytes.h"
#include "support/RawSectors.h"
#include "support/TempDir.h"

using testsupport::ChdSpec;
using testsupport::CsoFlavor;
using testsupport::PutBE;
using testsupport::PutLE;
using testsupport::RawLayout;
using testsupport::ShellQuote;

namespace {

std::string Noise(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = char(random() & 0xFF);
    return bytes;
}

// A PS2 disc padded to a multiple of 16 KiB, with a run of zero sectors (so
// that compressed images repeat hunks and blocks).
const std::string& Disc() {
    static const std::string disc = [] {
        testsupport::IsoBuilder builder;
        builder.AddFile("SYSTEM.CNF", testsupport::Ps2SystemCnf("SLPM_650.01"));
        builder.AddFile("SLPM_650.01", Noise(150000, 1));
        builder.AddFile("DATA/ZEROS.BIN", std::string(100000, '\0'));
        builder.AddFile("DATA/TEXT.TXT", std::string(50000, 't'));
        std::string bytes = builder.Build().bytes;
        bytes.resize((bytes.size() + 16383) / 16384 * 16384, '\0');
        return bytes;
    }();
    return disc;
}

// Every user-data block of the image equals the cooked disc's, and the file
// system finds the boot file.
void ExpectDisc(KelCDImage image, const std::string& label) {
    ASSERT_TRUE(image.IsOpened()) << label << ": " << image.Problem();
    const std::string& disc = Disc();
    const std::int32_t sectors = std::int32_t(disc.size() / 2048);
    EXPECT_GE(image.SectorCount(), sectors) << label;
    std::string read(disc.size(), '\0');
    ASSERT_TRUE(image.ReadSectors(reinterpret_cast<unsigned char*>(read.data()), 0, sectors))
        << label;
    EXPECT_TRUE(read == disc) << label;
}

std::string ReadWhole(const ByteSource& source) {
    std::string bytes(std::size_t(source.Size()), '\0');
    if (!source.ReadExactly(bytes.data(), bytes.size(), 0)) return "unreadable";
    return bytes;
}

// Counts the bytes read from the compressed file.
class CountingSource final : public ByteSource {
public:
    explicit CountingSource(std::string bytes) : inner(std::move(bytes)) {}
    std::uint64_t Size() const override { return inner.Size(); }
    std::optional<std::size_t> ReadAt(void* into, std::size_t length,
                                      std::uint64_t offset) const override {
        read += length;
        return inner.ReadAt(into, length, offset);
    }
    mutable std::uint64_t read = 0;

private:
    MemoryByteSource inner;
};

// Where the index of a CSO made with offsets unshifted puts a block.
std::size_t BlockAt(const std::string& cso, std::size_t block) {
    std::uint32_t entry = 0;
    for (int i = 3; i >= 0; --i)
        entry = (entry << 8) | std::uint8_t(cso[24 + 4 * block + std::size_t(i)]);
    return entry & 0x7FFFFFFF;
}

KelCDImage Open(const std::string& name, const std::string& bytes) {
    MemoryImageFiles files;
    files.Add(name, bytes);
    return KelCDImage(name, files);
}

TEST(CsoImageTest, EveryFlavorBlockSizeAndAlignment) {
    const struct {
        CsoFlavor flavor;
        std::uint32_t blockBytes;
        int shift;
    } cases[] = {
        {CsoFlavor::CsoV1, 2048, 0}, {CsoFlavor::CsoV1, 16384, 2}, {CsoFlavor::CsoV2, 2048, 0},
        {CsoFlavor::CsoV2, 4096, 1}, {CsoFlavor::Zso, 2048, 0},    {CsoFlavor::Zso, 8192, 3},
    };
    for (const auto& c : cases) {
        const std::string label = std::to_string(int(c.flavor)) + "/" +
                                  std::to_string(c.blockBytes) + "/" + std::to_string(c.shift);
        const std::string cso = testsupport::MakeCso(Disc(), c.flavor, c.blockBytes, c.shift);
        ExpectDisc(Open("Game.cso", cso), label);
        const auto image = DecompressedImage(std::make_shared<MemoryByteSource>(cso), "Game.cso");
        ASSERT_NE(image, nullptr) << label;
        EXPECT_TRUE(ReadWhole(*image) == Disc()) << label;
    }
}

TEST(CsoImageTest, LoadingTheBootFileDecompressesOnlyTheBlocksItTouches) {
    const std::string cso = testsupport::MakeCso(Disc(), CsoFlavor::CsoV1);
    auto counting = std::make_shared<CountingSource>(cso);
    KelCDFileSystem fileSystem(
        std::make_unique<KelCDImage>(std::make_unique<KelCDImageCSO>(counting, "Game.cso")));
    ASSERT_TRUE(fileSystem.IsValid());
    ASSERT_GE(fileSystem.OpenFile("SYSTEM.CNF"), 0);
    // The header, the index, the 64 KiB the layout probe reads, the volume
    // descriptor, path table, root directory and the file: a small part.
    EXPECT_LT(counting->read, cso.size() / 4);
    EXPECT_GT(counting->read, 0u);
}

TEST(CsoImageTest, DamagedFilesAreNoImage) {
    const std::string good = testsupport::MakeCso(Disc(), CsoFlavor::CsoV1);
    const std::string zso = testsupport::MakeCso(Disc(), CsoFlavor::Zso);
    auto edited = [](std::string bytes, auto edit) {
        edit(bytes);
        return bytes;
    };
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"header cut short", good.substr(0, 20)},
        {"index past the end", good.substr(0, 40)},
        {"entry past the file",
         edited(good, [](std::string& b) { PutLE(b, 24 + 4 * 5, 0x7FFFFFF0, 4); })},
        {"entries out of order",
         edited(good, [](std::string& b) { PutLE(b, 24 + 4 * 3, 0x7FFFFFF, 4); })},
        {"unknown version", edited(good, [](std::string& b) { b[20] = 7; })},
        {"block size 0", edited(good, [](std::string& b) { PutLE(b, 16, 0, 4); })},
        // Blocks of 2 KiB read as blocks of 4 KiB decompress to half their size.
        {"deflate blocks too short", edited(good, [](std::string& b) { PutLE(b, 16, 4096, 4); })},
        {"LZ4 blocks too short", edited(zso, [](std::string& b) { PutLE(b, 16, 4096, 4); })},
        {"volume descriptor block garbled",
         edited(good,
                [](std::string& b) {
                    std::fill_n(b.begin() + std::ptrdiff_t(BlockAt(b, 16)), 8, char(0xFF));
                })},
    };
    for (const auto& c : cases) {
        const KelCDImage image = Open("Game.cso", c.bytes);
        EXPECT_FALSE(image.IsOpened()) << c.what;
        EXPECT_NE(image.Problem().find("Game.cso"), std::string::npos) << c.what;
    }
}

TEST(CsoImageTest, AGarbledBlockFailsOnlyTheReadsThatTouchIt) {
    std::string cso = testsupport::MakeCso(Disc(), CsoFlavor::CsoV1);
    const std::size_t block = Disc().size() / 2048 - 3;  // in the padding at the end
    std::fill_n(cso.begin() + std::ptrdiff_t(BlockAt(cso, block)), 4, char(0xFF));
    const KelCDImage image = Open("Game.cso", cso);
    ASSERT_TRUE(image.IsOpened());
    unsigned char sector[2048];
    EXPECT_TRUE(image.ReadSectors(sector, std::int64_t(block) - 1, 1));
    EXPECT_FALSE(image.ReadSectors(sector, std::int64_t(block), 1));
    EXPECT_EQ(DecompressedImage(std::make_shared<MemoryByteSource>(cso), "Game.cso")
                  ->ReadAt(sector, 2048, block * 2048),
              std::nullopt);
}

ChdSpec DvdSpec() {
    ChdSpec spec;
    spec.data = Disc();
    spec.metadata = {{"DVD ", std::string()}};
    return spec;
}

TEST(ChdImageTest, DvdWithZstdHunksAndRepeatedHunksAndAsVersion4) {
    for (const int version : {5, 4}) {
        ChdSpec spec = DvdSpec();
        spec.version = version;
        const std::string chd = testsupport::MakeChd(spec);
        ExpectDisc(Open("Game.chd", chd), "version " + std::to_string(version));
        const auto image = DecompressedImage(std::make_shared<MemoryByteSource>(chd), "Game.chd");
        ASSERT_NE(image, nullptr);
        EXPECT_TRUE(ReadWhole(*image) == Disc());
    }
}

TEST(ChdImageTest, CdTrackTypesWithZstdFramesAndAnAudioTrack) {
    const std::string& disc = Disc();
    const std::string audio = Noise(2352 * 30, 7);  // little-endian samples, as in a BIN
    std::string bigEndian = audio;
    for (std::size_t i = 0; i + 1 < bigEndian.size(); i += 2)
        std::swap(bigEndian[i], bigEndian[i + 1]);
    const struct {
        const char* type;
        std::string sectors;
        std::size_t sectorBytes;
        int version;
    } cases[] = {
        {"MODE1", disc, 2048, 5},
        {"MODE2_FORM1", disc, 2048, 5},
        {"MODE1_RAW", ToRawSectors(disc, testsupport::RawLayout::Raw2352Mode1), 2352, 5},
        {"MODE2_RAW", ToRawSectors(disc, testsupport::RawLayout::Raw2352Mode2), 2352, 5},
        {"MODE2_FORM_MIX", ToRawSectors(disc, testsupport::RawLayout::Raw2336Mode2), 2336, 5},
        {"MODE2_RAW", ToRawSectors(disc, testsupport::RawLayout::Raw2352Mode2), 2352, 4},
    };
    for (const auto& c : cases) {
        const std::size_t frames = c.sectors.size() / c.sectorBytes;
        ChdSpec spec;
        spec.version = c.version;
        spec.codec = "cdzs";
        spec.hunkBytes = 8 * 2448;
        spec.unitBytes = 2448;
        spec.data = testsupport::ChdFrames(c.sectors, c.sectorBytes) +
                    testsupport::ChdFrames(bigEndian, 2352);
        spec.metadata = {{"CHT2", testsupport::ChdTrackText(1, c.type, frames)},
                         {"CHT2", testsupport::ChdTrackText(2, "AUDIO", 30)}};
        const std::string chd = testsupport::MakeChd(spec);
        ExpectDisc(Open("Game.chd", chd), c.type);

        KelCDImageCHD reader(std::make_shared<MemoryByteSource>(chd), "Game.chd");
        ASSERT_EQ(reader.TrackCount(), 2) << c.type;
        EXPECT_EQ(reader.TrackSectorKind(1), SectorKind::Audio) << c.type;
        EXPECT_TRUE(ReadWhole(*reader.TrackData(0)) == c.sectors) << c.type;
        EXPECT_TRUE(ReadWhole(*reader.TrackData(1)) == audio) << c.type;
        EXPECT_TRUE(ReadWhole(*reader.WholeImage()) == c.sectors + audio) << c.type;
    }
}

TEST(ChdImageTest, DamagedFilesAreNoImage) {
    const std::string good = testsupport::MakeChd(DvdSpec());
    auto edited = [](std::string bytes, auto edit) {
        edit(bytes);
        return bytes;
    };
    ChdSpec v4 = DvdSpec();
    v4.version = 4;
    ChdSpec holes = DvdSpec();
    holes.codec = "cdzs";
    holes.hunkBytes = 2448 * 4;
    holes.unitBytes = 2448;
    holes.data = std::string(2448 * 8, 'x');
    holes.metadata = {{"CHT2", testsupport::ChdTrackText(2, "MODE1", 8)}};
    ChdSpec badType = holes;
    badType.metadata = {{"CHT2", testsupport::ChdTrackText(1, "MODE3", 8)}};
    ChdSpec tooLong = holes;
    tooLong.metadata = {{"CHT2", testsupport::ChdTrackText(1, "MODE1", 9)}};
    const struct {
        const char* what;
        std::string bytes;
        const char* says;
    } cases[] = {
        {"version 3", edited(good, [](std::string& b) { PutBE(b, 12, 3, 4); }), "version 3"},
        {"version 4 with a parent",
         edited(testsupport::MakeChd(v4), [](std::string& b) { PutBE(b, 16, 1, 4); }), "parent"},
        {"version 4 map past the end", testsupport::MakeChd(v4).substr(0, 200), "map"},
        {"parent", edited(good, [](std::string& b) { b[110] = 1; }), "parent"},
        {"unknown codec", edited(good, [](std::string& b) { b.replace(16, 4, "abcd"); }), "codec"},
        {"map past the end", edited(good, [](std::string& b) { PutBE(b, 40, b.size(), 8); }),
         "map"},
        {"hunk size 0", edited(good, [](std::string& b) { PutBE(b, 56, 0, 4); }), "header"},
        {"larger than any disc", edited(good, [](std::string& b) { PutBE(b, 32, 1ull << 50, 8); }),
         "larger"},
        {"metadata loop", edited(good, [](std::string& b) { PutBE(b, 124 + 8, 124, 8); }),
         "metadata"},
        {"track 1 missing", testsupport::MakeChd(holes), "track list"},
        {"unknown track type", testsupport::MakeChd(badType), "track list"},
        {"track past the hunks", testsupport::MakeChd(tooLong), "track list"},
    };
    for (const auto& c : cases) {
        const KelCDImage image = Open("Game.chd", c.bytes);
        EXPECT_FALSE(image.IsOpened()) << c.what;
        EXPECT_NE(image.Problem().find(c.says), std::string::npos)
            << c.what << ": " << image.Problem();
        EXPECT_NE(image.Problem().find("Game.chd"), std::string::npos) << c.what;
    }
}

TEST(ChdImageTest, AMapThatFailsItsChecksumFailsOnceDecodedToItsEnd) {
    std::string chd = testsupport::MakeChd(DvdSpec());
    std::uint64_t mapOffset = 0;
    for (int i = 0; i < 8; ++i) mapOffset = (mapOffset << 8) | std::uint8_t(chd[40 + i]);
    chd[mapOffset + 10] ^= 1;
    const KelCDImage image = Open("Game.chd", chd);
    unsigned char sector[2048];
    EXPECT_FALSE(image.IsOpened() &&
                 image.ReadSectors(sector, std::int64_t(Disc().size() / 2048) - 1, 1));
}

TEST(ChdImageTest, AGarbledHunkFailsOnlyTheReadsThatTouchIt) {
    std::string chd = testsupport::MakeChd(DvdSpec());
    // The boot file's noise does not compress: its hunks are stored as they are.
    const std::string& disc = Disc();
    const std::size_t fileAt = disc.find(Noise(150000, 1).substr(0, 64));
    ASSERT_NE(fileAt, std::string::npos);
    // Past the 64 KiB the layout probe reads.
    const std::size_t hunk = fileAt / 4096 + 20;
    const std::string plain = disc.substr(hunk * 4096, 4096);
    const std::size_t stored = chd.find(plain);
    ASSERT_NE(stored, std::string::npos);
    chd[stored + 100] ^= 0x55;
    const KelCDImage image = Open("Game.chd", chd);
    ASSERT_TRUE(image.IsOpened()) << image.Problem();
    unsigned char sectors[4096];
    EXPECT_TRUE(image.ReadSectors(sectors, std::int64_t(hunk) * 2 - 2, 2));
    EXPECT_EQ(image.ReadProblem(), "");
    EXPECT_FALSE(image.ReadSectors(sectors, std::int64_t(hunk) * 2, 2));
    // The failure says which hunk and why, for the error log.
    EXPECT_EQ(image.ReadProblem(), "Game.chd is damaged: hunk " + std::to_string(hunk) + " of " +
                                       std::to_string(Disc().size() / 4096) +
                                       " fails its CRC check once decompressed");
}

TEST(CdSectorEccTest, RestoresTheCodesOfARealModeOneImage) {
    const std::string corpus = testsupport::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "no test corpus";
    const std::string image =
        testsupport::ReadFile(corpus + "/images/libcdio/test/data/isofs-m1.bin");
    ASSERT_EQ(image.size() % RAW_SECTOR_BYTES, 0u);
    for (std::size_t at = 0; at < image.size(); at += RAW_SECTOR_BYTES) {
        unsigned char sector[RAW_SECTOR_BYTES];
        std::memcpy(sector, image.data() + at, sizeof sector);
        std::memset(sector, 0, 12);
        std::memset(sector + 2076, 0, RAW_SECTOR_BYTES - 2076);
        RestoreSyncAndEcc(sector);
        ASSERT_EQ(std::memcmp(sector, image.data() + at, sizeof sector), 0)
            << "sector " << at / RAW_SECTOR_BYTES;
    }
}

TEST(CdSectorEccTest, ModeTwoFormOneParityIsComputedWithTheHeaderAsZero) {
    const std::string corpus = testsupport::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "no test corpus";
    // The ISO 9660 track of a real video CD: 676 Mode 2 sectors of 2336 bytes
    // (no sync, no header), its Form 1 sectors with real EDC and ECC. With
    // sync and header put back, the encoder must restore their parity and
    // the test builder must write every byte of them.
    const std::string nrg = testsupport::ReadFile(corpus + "/images/libcdio/test/data/videocd.nrg");
    ASSERT_GE(nrg.size(), 676u * 2336);
    std::size_t formOne = 0;
    for (std::size_t lsn = 0; lsn < 676; ++lsn) {
        const std::string stored = nrg.substr(lsn * 2336, 2336);
        if (stored[2] & 0x20) continue;  // Form 2: no parity
        ++formOne;
        const std::string real =
            testsupport::Mode2Form1Sector(lsn, stored.substr(0, 8), "").substr(0, 16) + stored;
        EXPECT_TRUE(
            testsupport::Mode2Form1Sector(lsn, stored.substr(0, 8), stored.substr(8, 2048)) == real)
            << "built sector " << lsn;
        std::string dropped = real;
        std::memset(dropped.data(), 0, 12);
        std::memset(dropped.data() + 2076, 0, RAW_SECTOR_BYTES - 2076);
        RestoreSyncAndEcc(reinterpret_cast<unsigned char*>(dropped.data()));
        ASSERT_TRUE(dropped == real) << "restored sector " << lsn;
    }
    EXPECT_EQ(formOne, 226u);

    // And a real Mode 1 disc, header, EDC and parity.
    const std::string bin =
        testsupport::ReadFile(corpus + "/images/libcdio/test/data/isofs-m1.bin");
    for (std::size_t lsn = 0; lsn * RAW_SECTOR_BYTES < bin.size(); ++lsn) {
        const std::string real = bin.substr(lsn * RAW_SECTOR_BYTES, RAW_SECTOR_BYTES);
        ASSERT_TRUE(testsupport::Mode1Sector(lsn, real.substr(16, 2048)) == real)
            << "built sector " << lsn;
    }
}

class ChdmanTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testsupport::HaveTool("chdman")) GTEST_SKIP() << "chdman is not installed";
    }
    void Chdman(const std::string& arguments) {
        std::string output;
        ASSERT_EQ(testsupport::RunCommand("chdman " + arguments + " -f 2>&1", &output), 0)
            << arguments << "\n"
            << output;
    }
    // Every user-data block the image gives equals the one at `header` in
    // each `stride`-byte sector of `extracted`.
    static void ExpectSectorsOf(const std::string& chd, const std::string& extracted,
                                std::size_t stride, std::size_t header, std::size_t count,
                                const std::string& label) {
        const KelCDImage image(chd);
        ASSERT_TRUE(image.IsOpened()) << label << ": " << image.Problem();
        std::string read(count * 2048, '\0');
        ASSERT_TRUE(image.ReadSectors(reinterpret_cast<unsigned char*>(read.data()), 0,
                                      std::int32_t(count)))
            << label;
        for (std::size_t n = 0; n < count; ++n) {
            ASSERT_EQ(read.compare(n * 2048, 2048, extracted, n * stride + header, 2048), 0)
                << label << ": sector " << n;
        }
    }
    testsupport::TempDir dir;
};

std::string Msf(std::size_t frames) {
    char text[32];
    std::snprintf(text, sizeof text, "%02zu:%02zu:%02zu", frames / 4500, frames / 75 % 60,
                  frames % 75);
    return text;
}

TEST_F(ChdmanTest, CdImagesOfEveryCodecAgreeWithExtractcd) {
    // Two tones: audio FLAC compresses, with its pregap kept in the file.
    std::string audio;
    for (std::size_t i = 0; i < 350 * 588; ++i) {
        for (const double level :
             {9000 * std::sin(double(i) / 20), 5000 * std::cos(double(i) / 33)}) {
            const auto sample = std::uint16_t(std::int16_t(level));
            audio += char(sample & 0xFF);
            audio += char(sample >> 8);
        }
    }
    const std::string& disc = Disc();
    const std::size_t sectors = disc.size() / 2048;
    const struct {
        const char* cueType;
        RawLayout layout;
        std::size_t header;
    } layouts[] = {{"MODE2/2352", RawLayout::Raw2352Mode2, 24},
                   {"MODE1/2352", RawLayout::Raw2352Mode1, 16},
                   {"MODE1/2048", RawLayout::Cooked2048, 0}};
    for (const auto& layout : layouts) {
        const std::string data = testsupport::ToRawSectors(disc, layout.layout);
        const std::size_t stride = data.size() / sectors;
        testsupport::WriteFile(dir / "game.bin", data + audio);
        testsupport::WriteFile(dir / "game.cue", std::string("FILE \"game.bin\" BINARY\n") +
                                                     "  TRACK 01 " + layout.cueType +
                                                     "\n    INDEX 01 00:00:00\n"
                                                     "  TRACK 02 AUDIO\n    INDEX 00 " +
                                                     Msf(sectors) + "\n    INDEX 01 " +
                                                     Msf(sectors + 150) + "\n");
        for (const char* codec : {"cdzl", "cdlz", "cdfl", "none"}) {
            const std::string label = std::string(layout.cueType) + " " + codec;
            const std::string chd = dir / "game.chd";
            ASSERT_NO_FATAL_FAILURE(Chdman("createcd -i " + ShellQuote(dir / "game.cue") + " -o " +
                                           ShellQuote(chd) + " -c " + codec));
            ASSERT_NO_FATAL_FAILURE(Chdman("extractcd -i " + ShellQuote(chd) + " -o " +
                                           ShellQuote(dir / "out.cue") + " -ob " +
                                           ShellQuote(dir / "out.bin")));
            const std::string extracted = testsupport::ReadFile(dir / "out.bin");

            const KelCDImageCHD reader(OpenFileSource(chd), chd);
            ASSERT_TRUE(reader.IsOpened()) << label << ": " << reader.Problem();
            EXPECT_EQ(reader.TrackCount(), 2) << label;
            EXPECT_TRUE(ReadWhole(*reader.WholeImage()) == extracted) << label;
            ExpectSectorsOf(chd, extracted, stride, layout.header, sectors, label);
            ExpectDisc(KelCDImage(chd), label);
        }
    }
}

TEST_F(ChdmanTest, DvdImagesOfEveryCodecAgreeWithExtracthdAndExtractraw) {
    const std::string iso = dir / "disc.iso";
    testsupport::WriteFile(iso, Disc());
    const struct {
        const char* create;
        const char* extract;
    } cases[] = {
        {"createhd -hs 2048 -c lzma", "extracthd"},
        {"createhd -hs 2048 -c zlib", "extracthd"},
        {"createhd -hs 2048 -c huff", "extracthd"},
        {"createhd -hs 2048 -c flac", "extracthd"},
        {"createhd -hs 2048 -c none", "extracthd"},
        {"createhd -hs 8192", "extracthd"},
        {"createraw -hs 2048 -us 2048 -c zlib", "extractraw"},
        {"createraw -hs 4096 -us 2048 -c lzma,huff", "extractraw"},
    };
    for (const auto& c : cases) {
        const std::string chd = dir / "disc.chd";
        ASSERT_NO_FATAL_FAILURE(
            Chdman(std::string(c.create) + " -i " + ShellQuote(iso) + " -o " + ShellQuote(chd)));
        ASSERT_NO_FATAL_FAILURE(Chdman(std::string(c.extract) + " -i " + ShellQuote(chd) + " -o " +
                                       ShellQuote(dir / "out.iso")));
        const std::string extracted = testsupport::ReadFile(dir / "out.iso");
        const auto image = DecompressedImage(OpenFileSource(chd), chd);
        ASSERT_NE(image, nullptr) << c.create;
        EXPECT_TRUE(ReadWhole(*image) == extracted) << c.create;
        ExpectSectorsOf(chd, extracted, 2048, 0, extracted.size() / 2048, c.create);
        ExpectDisc(KelCDImage(chd), c.create);
    }
}

TEST_F(ChdmanTest, ARealModeOneImageGetsItsDroppedErrorCodesBack) {
    const std::string corpus = testsupport::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "no test corpus";
    // chdman drops sync and error codes that check out, as they do on a real
    // image; the reader must compute every byte of them again.
    const std::string bin =
        testsupport::ReadFile(corpus + "/images/libcdio/test/data/isofs-m1.bin");
    testsupport::WriteFile(dir / "m1.bin", bin);
    testsupport::WriteFile(
        dir / "m1.cue", "FILE \"m1.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n");
    ASSERT_NO_FATAL_FAILURE(Chdman("createcd -i " + ShellQuote(dir / "m1.cue") + " -o " +
                                   ShellQuote(dir / "m1.chd") + " -c cdzl"));
    const auto image = DecompressedImage(OpenFileSource(dir / "m1.chd"), "m1.chd");
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(ReadWhole(*image) == bin);
    EXPECT_TRUE(KelCDFileSystem(dir / "m1.chd").IsValid());
}

}  // namespace
