#include "ident/BootFileId.h"

#include <gtest/gtest.h>

#include "support/Files.h"
#include "support/IdentFixtures.h"
#include "support/TempDir.h"

using identtest::CrcOf;
using identtest::WithCrc;
using identtest::WriteDisc;

namespace {

using namespace std::string_literals;

TEST(ReadBootLine, TakesThePathBetweenColonAndSemicolon) {
    EXPECT_EQ(ReadBootLine("BOOT = cdrom:\\SLPS_000.71;1\r\nTCB = 4\r\n"), ":\\SLPS_000.71");
    EXPECT_EQ(ReadBootLine("BOOT2 = cdrom0:\\SLPM_650.01;1\r\nVER = 1.00\r\n"), ":\\SLPM_650.01");
    // The search starts at the first "BOOT", wherever it is.
    EXPECT_EQ(ReadBootLine("VMODE = NTSC\r\nBOOT2 = cdrom0:\\SLUS_200.62;1\n"), ":\\SLUS_200.62");
}

TEST(ReadBootLine, KeepsTheCarriageReturnOfALineWithoutVersion) {
    EXPECT_EQ(ReadBootLine("BOOT = cdrom:\\SLPS_000.71\r\n"), ":\\SLPS_000.71\r");
}

TEST(ReadBootLine, GivesNothingForLinesItCannotRead) {
    EXPECT_EQ(ReadBootLine("VMODE = NTSC\r\n"), std::nullopt);
    EXPECT_EQ(ReadBootLine("BOOT = cdrom\\SLPS_000.71;1\r\n"), std::nullopt);    // no colon
    EXPECT_EQ(ReadBootLine("BOOT = cdrom:\\SLPS_000.71;1"), std::nullopt);       // no line feed
    EXPECT_EQ(ReadBootLine("BOOT = cdrom:\\SLPS\0_000.71;1\n"s), std::nullopt);  // zero byte first
    EXPECT_EQ(ReadBootLine("BOOT = cdrom:\\" + std::string(300, 'A') + "\n"), std::nullopt);
    // The loaded block ends right after the key: nothing beyond it is read.
    const std::string block = "xxBOOT = cdrom:\\SLPS_000.71;1\n";
    EXPECT_EQ(ReadBootLine(std::string_view(block).substr(0, 6)), std::nullopt);
}

TEST(BootPath, PatternAndCode) {
    EXPECT_EQ(BootPathDotDistance(":\\SLPS_000.71"), 4);
    EXPECT_EQ(BootPathDotDistance(":\\SLUS_12.345"), 3);
    EXPECT_EQ(BootPathDotDistance(":\\MAIN.EXE"), 7);  // no underscore counts as -1
    EXPECT_EQ(GameCodeFromBootPath(":\\SLPS_000.71"), "SLPS00071");
    EXPECT_EQ(GameCodeFromBootPath(":slps_000.71"), "slps00071");
    EXPECT_EQ(GameCodeFromBootPath(":\\SLPS_000.71\r"), "SLPS00071\r");
    // An underscore missing, or with fewer than four characters before it.
    EXPECT_EQ(GameCodeFromBootPath(":\\ABC.EXE"), std::nullopt);
    EXPECT_EQ(GameCodeFromBootPath(":AB_1234.5"), std::nullopt);
}

TEST(ScanExeMarker, ReadsTheCodeAfterTheMarker) {
    const ExeMarker marker = ScanExeMarker("PS-X EXE\0\0junk:BISLPS-00071\0rest"s);
    EXPECT_EQ(marker.outcome, ExeMarker::Outcome::Code);
    EXPECT_EQ(marker.code, "SLPS00071");
    // Only ten characters after the marker count.
    EXPECT_EQ(ScanExeMarker(":BIslps-00071EXTRA").code, "slps00071");
}

TEST(ScanExeMarker, TellsMarkerOnlyAndNoMarker) {
    EXPECT_EQ(ScanExeMarker("PS-X EXE without marker").outcome, ExeMarker::Outcome::NoMarker);
    EXPECT_EQ(ScanExeMarker(":BIMAIN_PROGRAM").outcome, ExeMarker::Outcome::MarkerOnly);
    EXPECT_EQ(ScanExeMarker(":BISLP-00071").outcome, ExeMarker::Outcome::MarkerOnly);
    // The marker at the very end of the loaded bytes, and a zero right after it.
    EXPECT_EQ(ScanExeMarker("abc:BI").outcome, ExeMarker::Outcome::MarkerOnly);
    EXPECT_EQ(ScanExeMarker(":BI\0SLPS-00071"s).outcome, ExeMarker::Outcome::MarkerOnly);
    EXPECT_EQ(ScanExeMarker(":B").outcome, ExeMarker::Outcome::NoMarker);
}

TEST(CrcFixture, ForgesTheWantedChecksum) {
    EXPECT_EQ(CrcOf(WithCrc("marker file", 0x514D072C)), "514D072C");
    EXPECT_EQ(CrcOf(WithCrc("", 0x8B4D1797)), "8B4D1797");
}

class DiscTest : public ::testing::Test {
protected:
    std::string Disc(const std::vector<std::pair<std::string, std::string>>& files) {
        const std::string path = dir / ("disc" + std::to_string(++count) + ".iso");
        WriteDisc(path, files);
        return path;
    }

    testsupport::TempDir dir;
    int count = 0;
};

using PlayStationDisc = DiscTest;

TEST_F(PlayStationDisc, CodeFromTheBootLine) {
    EXPECT_EQ(IdentifyPlayStation(Disc({{"SYSTEM.CNF", "BOOT = cdrom:\\SLPS_000.71;1\r\n"}})),
              "SLPS00071");
    EXPECT_EQ(IdentifyPlayStation(Disc({{"SYSTEM.CNF", "BOOT = cdrom:\\slps_000.71;1\r\n"}})),
              "SLPS00071");
    EXPECT_EQ(IdentifyPlayStation(Disc({{"SYSTEM.CNF", "BOOT=cdrom:SLUS_12.345;1\n"}})),
              "SLUS12345");
    EXPECT_EQ(IdentifyPlayStation(Disc({{"SYSTEM.CNF", "BOOT = cdrom:\\SLPS_000.71\r\n"}})),
              "SLPS00071\r");
}

TEST_F(PlayStationDisc, RuleBPicksTheDiscByDiskId) {
    const std::string cnf = "BOOT = cdrom:\\SLPS_015.27;1\r\n";
    EXPECT_EQ(IdentifyPlayStation(
                  Disc({{"SYSTEM.CNF", cnf}, {"DISK.ID", WithCrc("disc 2", 0x8B4D1797)}})),
              "SLPS01528");
    EXPECT_EQ(IdentifyPlayStation(
                  Disc({{"SYSTEM.CNF", cnf}, {"DISK.ID", WithCrc("disc 3", 0x33F170F2)}})),
              "SLPS01529");
    EXPECT_EQ(IdentifyPlayStation(Disc({{"SYSTEM.CNF", cnf}, {"DISK.ID", "disc 1"}})), "SLPS01527");
    EXPECT_EQ(IdentifyPlayStation(Disc({{"SYSTEM.CNF", cnf}})), "SLPS01527");
    // Compared before upper-casing: a lower-case boot line keeps its code.
    EXPECT_EQ(IdentifyPlayStation(Disc({{"SYSTEM.CNF", "BOOT = cdrom:\\slps_015.27;1\r\n"},
                                        {"DISK.ID", WithCrc("disc 2", 0x8B4D1797)}})),
              "SLPS01527");
}

TEST_F(PlayStationDisc, RuleAAppliesOnlyToPsxExeWithoutSystemCnf) {
    const std::string exe = "PS-X EXE\0\0:BISLPS-00071\0"s;
    const std::string marker = WithCrc("3x3", 0x514D072C);
    EXPECT_EQ(IdentifyPlayStation(Disc({{"PSX.EXE", exe}, {"CD3X3_1.ID", marker}})), "SLPS00072");
    EXPECT_EQ(IdentifyPlayStation(Disc({{"PSX.EXE", exe}})), "SLPS00071");
    EXPECT_EQ(IdentifyPlayStation(Disc(
                  {{"SYSTEM.CNF", "BOOT = cdrom:\\SLPS_000.71;1\r\n"}, {"CD3X3_1.ID", marker}})),
              "SLPS00071");
    EXPECT_EQ(IdentifyPlayStation(Disc({{"PSX.EXE", ":BIslps-00071\0"s}, {"CD3X3_1.ID", marker}})),
              "SLPS00071");
}

TEST_F(PlayStationDisc, BootExecutableOfAnotherName) {
    const std::string marked = "PS-X EXE :BISCPS-10001\0"s;
    const std::string markerOnly = "PS-X EXE :BIMAIN\0"s;
    // A leading backslash is not found by the file system: nothing.
    EXPECT_EQ(IdentifyPlayStation(
                  Disc({{"SYSTEM.CNF", "BOOT = cdrom:\\MAIN.EXE;1\r\n"}, {"MAIN.EXE", marked}})),
              std::nullopt);
    EXPECT_EQ(IdentifyPlayStation(
                  Disc({{"SYSTEM.CNF", "BOOT = cdrom:MAIN.EXE;1\r\n"}, {"MAIN.EXE", marked}})),
              "SCPS10001");
    EXPECT_EQ(IdentifyPlayStation(
                  Disc({{"SYSTEM.CNF", "BOOT = cdrom:MAIN.EXE;1\r\n"}, {"MAIN.EXE", markerOnly}})),
              CrcOf(markerOnly));
    EXPECT_EQ(IdentifyPlayStation(
                  Disc({{"SYSTEM.CNF", "BOOT = cdrom:MAIN.EXE;1\r\n"}, {"MAIN.EXE", "PS-X EXE"}})),
              std::nullopt);
    EXPECT_EQ(IdentifyPlayStation(Disc({{"SYSTEM.CNF", "BOOT = cdrom:MAIN.EXE;1\r\n"}})),
              std::nullopt);
}

TEST_F(PlayStationDisc, PsxExeWithoutCodeGivesItsChecksum) {
    EXPECT_EQ(IdentifyPlayStation(Disc({{"PSX.EXE", "PS-X EXE no marker"}})),
              CrcOf("PS-X EXE no marker"));
    EXPECT_EQ(IdentifyPlayStation(Disc({{"PSX.EXE", ":BIMAIN"}})), CrcOf(":BIMAIN"));
}

TEST_F(PlayStationDisc, NothingWithoutBootFilesOrReadableLine) {
    EXPECT_EQ(IdentifyPlayStation(Disc({{"README.TXT", "hello"}})), std::nullopt);
    EXPECT_EQ(IdentifyPlayStation(Disc({{"SYSTEM.CNF", "TCB = 4\r\n"}})), std::nullopt);
    EXPECT_EQ(IdentifyPlayStation(Disc({{"SYSTEM.CNF", "BOOT = cdrom:\\A_1.2;1\r\n"}})),
              std::nullopt);
    const std::string notADisc = dir / "garbage.bin";
    testsupport::WriteFile(notADisc, std::string(100000, 'x'));
    EXPECT_EQ(IdentifyPlayStation(notADisc), std::nullopt);
    EXPECT_EQ(IdentifyPlayStation(dir / "missing.bin"), std::nullopt);
}

using PlayStation2Disc = DiscTest;

TEST_F(PlayStation2Disc, CodeOrChecksumOfTheBootFile) {
    EXPECT_EQ(IdentifyPlayStation2(Disc({{"SYSTEM.CNF", "BOOT2 = cdrom0:\\SLPM_650.01;1\r\n"}})),
              "SLPM65001");
    EXPECT_EQ(IdentifyPlayStation2(
                  Disc({{"SYSTEM.CNF", "BOOT2 = cdrom0:\\MAIN.ELF;1\r\n"}, {"MAIN.ELF", "elf"}})),
              CrcOf("elf"));
    // A distance of 3 is no code on this system: the file's checksum is taken.
    EXPECT_EQ(IdentifyPlayStation2(Disc(
                  {{"SYSTEM.CNF", "BOOT2 = cdrom0:\\SLUS_12.345;1\r\n"}, {"SLUS_12.345", "boot"}})),
              CrcOf("boot"));
    EXPECT_EQ(IdentifyPlayStation2(Disc({{"SYSTEM.CNF", "BOOT2 = cdrom0:\\MAIN.ELF;1\r\n"}})),
              std::nullopt);
}

TEST_F(PlayStation2Disc, PsxExeWithoutSystemCnf) {
    // No marker scan on this system: even a marked executable gives its checksum.
    const std::string exe = "PS-X EXE :BISLPS-00071\0"s;
    EXPECT_EQ(IdentifyPlayStation2(Disc({{"PSX.EXE", exe}})), CrcOf(exe));
    EXPECT_EQ(IdentifyPlayStation2(Disc({{"README.TXT", "hello"}})), std::nullopt);
}

TEST(UmdDataCode, TextBeforeTheBarWithinTheFirst256Bytes) {
    EXPECT_EQ(UmdDataCode("ULJM-05001|0123456789ABCDEF|0001|G"), "ULJM05001");
    EXPECT_EQ(UmdDataCode(std::string(300, 'a')), std::string(256, 'A'));
    EXPECT_EQ(UmdDataCode(""), std::nullopt);
}

using PspDisc = DiscTest;

TEST_F(PspDisc, CodeFromUmdData) {
    EXPECT_EQ(IdentifyPsp(Disc({{"UMD_DATA.BIN", "ULJM-05001|0123456789ABCDEF|0001|G"}})),
              "ULJM05001");
    EXPECT_EQ(IdentifyPsp(Disc({{"UMD_DATA.BIN", "ulus-10041\0|junk"s}})), "ULUS10041");
    // Without a hyphen the code is taken as read.
    EXPECT_EQ(IdentifyPsp(Disc({{"UMD_DATA.BIN", "ulus10041|x"}})), "ULUS10041");
}

TEST_F(PspDisc, NothingWithoutACode) {
    EXPECT_EQ(IdentifyPsp(Disc({{"UMD_DATA.BIN", "\0ULJM-05001|"s}})), std::nullopt);
    EXPECT_EQ(IdentifyPsp(Disc({{"UMD_DATA.BIN", "|ULJM-05001"}})), std::nullopt);
    EXPECT_EQ(IdentifyPsp(Disc({{"PARAM.SFO", "x"}})), std::nullopt);
}

}  // namespace
