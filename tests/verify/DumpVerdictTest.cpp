#include "verify/DumpVerdict.h"

#include <gtest/gtest.h>

#include "support/Files.h"
#include "support/TempDir.h"

namespace {

// A track as the cache hands it over: hashed, or known by its size alone
// (it has no file behind it, so a verdict that reads it gets "unreadable").
CachedTrack Track(const std::string& label, std::uint64_t size, std::uint32_t crc = 0,
                  const std::string& sha1 = {}) {
    return {label, size, crc != 0, crc, sha1};
}

const std::string SHA_A(40, 'a'), SHA_B(40, 'b'), SHA_C(40, 'c'), SHA_D(40, 'd');

}  // namespace

TEST(DumpVerdictTest, SizesDecideFirstAndHashesThenTheGame) {
    testsupport::TempDir dir;
    testsupport::WriteFile(
        dir / "ps1.dat",
        "game ( name \"A (USA)\" serial \"SLUS-00001\" rom ( name a.cue size 9 crc 0 )\n"
        "  rom ( name \"a (Track 1).bin\" size 100 crc 00000011 sha1 " +
            SHA_A +
            " )\n"
            "  rom ( name \"a (Track 2).bin\" size 200 crc 00000022 sha1 " +
            SHA_B +
            " ) )\n"
            "game ( name \"A (USA) (Rev 1)\" serial \"SLUS-00001\"\n"
            "  rom ( name \"a (Track 1).bin\" size 100 crc 00000033 sha1 " +
            SHA_C +
            " )\n"
            "  rom ( name \"a (Track 2).bin\" size 200 crc 00000022 sha1 " +
            SHA_B +
            " ) )\n"
            "game ( name B serial \"SLES-00002\" rom ( name b.iso size 300 crc 00000044 ) )\n"
            "game ( name Broken rom ( name c.iso size many crc 1 ) )\n");
    const DatHashes dat({dir / "ps1.dat"});
    ASSERT_TRUE(dat.Valid());
    EXPECT_EQ(dat.Games().size(), 3u);
    EXPECT_EQ(dat.unusable, 1u);

    const struct {
        std::string identifier;
        std::vector<CachedTrack> tracks;
        VerifyStatus status;
        std::string datName;
        std::string detail;
    } cases[] = {
        {"SLUS00001",
         {Track("1.bin", 100, 0x11, SHA_A), Track("2.bin", 200, 0x22, SHA_B)},
         VerifyStatus::Verified,
         "A (USA)",
         ""},
        {"SLUS00001",
         {Track("1.bin", 100, 0x33, SHA_C), Track("2.bin", 200, 0x22, SHA_B)},
         VerifyStatus::Verified,
         "A (USA) (Rev 1)",
         ""},
        // A size that no game of the code has needs no read at all.
        {"SLUS00001",
         {Track("1.bin", 100), Track("2.bin", 201)},
         VerifyStatus::Mismatch,
         "A (USA)",
         "track 2 (2.bin): expected size 200, found size 201"},
        {"SLUS00001",
         {Track("1.bin", 100, 0x11, SHA_D), Track("2.bin", 200, 0x22, SHA_B)},
         VerifyStatus::Mismatch,
         "A (USA)",
         "track 1 (1.bin): expected size 100 crc 00000011 sha1 " + SHA_A +
             ", found size 100 crc 00000011 sha1 " + SHA_D},
        {"SLUS00001",
         {Track("1.bin", 100)},
         VerifyStatus::Incomplete,
         "A (USA)",
         "track 2 (a (Track 2).bin) missing"},
        {"SLUS00001",
         {Track("1.bin", 100), Track("2.bin", 200), Track("3.bin", 5)},
         VerifyStatus::Incomplete,
         "A (USA)",
         "track 3 (3.bin) extra"},
        // Sizes right, hashes unknown and the file not at hand: it must be read.
        {"SLUS00001",
         {Track("1.bin", 100), Track("2.bin", 200)},
         VerifyStatus::Unreadable,
         "",
         "1.bin is not at hand"},
        // Without a code the hashes find the game; a DAT without SHA-1 is
        // matched by size and CRC-32.
        {"", {Track("b.iso", 300, 0x44, SHA_A)}, VerifyStatus::Verified, "B", ""},
        {"SCUS99999",
         {Track("b.iso", 300, 0x45, SHA_A)},
         VerifyStatus::NotInDat,
         "",
         "no DAT game has SCUS99999 or these tracks"},
        {"", {Track("x.iso", 999)}, VerifyStatus::NotInDat, "", "no DAT game has these tracks"},
    };
    for (const auto& c : cases) {
        DumpTracks dump({dir / "holder"}, {c.tracks});
        const DumpVerdict verdict = VerifyDump(dat, c.identifier, dump);
        EXPECT_EQ(verdict.status, c.status) << c.detail;
        EXPECT_EQ(verdict.datName, c.datName) << c.detail;
        EXPECT_EQ(verdict.detail, c.detail);
    }
}
