// orvane-cli verify as a script runs it: its lines, JSON, report and exit
// statuses, with the hash cache in the data folder of the environment.
#include <cstdlib>

#include "OrvaneCliFixture.h"

using clitest::OrvaneCliTest;
using clitest::Result;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

std::string ToolWord(const std::string& command) {
    std::string output;
    EXPECT_EQ(testsupport::RunCommand(command, &output), 0) << command;
    return output.substr(0, output.find_first_of(" \n"));
}

class VerifyCommandTest : public OrvaneCliTest {
protected:
    void SetUp() override {
        if (!testsupport::HaveTool("crc32")) GTEST_SKIP() << "crc32 is not installed";
        setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        const std::string iso = dir / "games/a.iso";
        WriteFile(dir / "ps2.dat",
                  "game ( name \"First (Japan)\" serial \"SLPM-65001\" rom ( name a.iso size " +
                      std::to_string(ReadFile(iso).size()) + " crc " +
                      ToolWord("crc32 " + testsupport::ShellQuote(iso)) + " sha1 " +
                      ToolWord("sha1sum " + testsupport::ShellQuote(iso)) +
                      " ) )\ngame ( name \"Lacking, The\" rom ( name l.iso size 1 crc 1 ) )\n");
    }
    void TearDown() override { unsetenv("XDG_DATA_HOME"); }
};

}  // namespace

TEST_F(VerifyCommandTest, LinesJsonReportAndExitStatuses) {
    const std::string verify = "verify --folder games --system PS2 --dat ps2.dat";
    const Result lines = Run(verify + " --report report.csv");
    EXPECT_EQ(lines.status, 1) << lines.err;
    EXPECT_EQ(lines.out,
              "verified\tgames/a.iso\tFirst (Japan)\t\n"
              "not in DAT\tgames/b.iso\t\tno DAT game has SLPM65002 or these tracks\n");
    EXPECT_NE(lines.err.find("Discs:2 Verified:1 Mismatch:0"), std::string::npos) << lines.err;
    EXPECT_EQ(ReadFile(dir / "report.csv"),
              "path,serial,dat_name,status,detail\r\n"
              "games/a.iso,SLPM65001,First (Japan),verified,\r\n"
              "games/b.iso,SLPM65002,,not in DAT,no DAT game has SLPM65002 or these tracks\r\n"
              ",,\"Lacking, The\",missing,no disc of the folder is this game\r\n");
    EXPECT_NE(ReadFile(dir / "data/orvane/VerifyCache.sqlite").size(), 0u);

    ASSERT_EQ(std::remove((dir / "games/b.iso").c_str()), 0);
    const Result json = Run(verify + " --json");
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out,
              "{\"path\":\"games/a.iso\",\"serial\":\"SLPM65001\",\"status\":\"verified\","
              "\"dat_name\":\"First (Japan)\",\"detail\":\"\"}\n"
              "{\"summary\":{\"discs\":1,\"verified\":1,\"mismatch\":0,\"incomplete\":0,"
              "\"not_in_dat\":0,\"unreadable\":0,\"missing_games\":1,\"stopped\":false}}\n");

    EXPECT_EQ(Run(verify + " --dat missing.dat").status, 2);
    // A DAT of serials alone, as import-dat takes, has nothing to verify with.
    WriteFile(dir / "serials.dat", "game ( name x serial SLPM-65001 )\n");
    const Result serials = Run("verify --folder games --system PS2 --dat serials.dat");
    EXPECT_EQ(serials.status, 2);
    EXPECT_NE(serials.err.find("no game with the sizes and CRCs"), std::string::npos);
    EXPECT_EQ(Run("verify --folder games --system PS2").status, 64);
    EXPECT_EQ(Run(verify + " --database games.csv").status, 64);
    EXPECT_EQ(Run("add-record --json").status, 64);
}

TEST_F(VerifyCommandTest, RenameVerifiedOnlyLeavesTheDumpsThatDoNotVerify) {
    const std::string rename =
        "rename --folder games --database games.csv --system PS2 --formula '%n' "
        "--list-format '%n' --verified-only --dat ps2.dat";
    const Result plan = Run(rename + " --dry-run");
    EXPECT_EQ(plan.out,
              "rename\tgames/a.iso\tgames/First Game.iso\n"
              "skip\tgames/b\tnot verified: not in DAT (no DAT game has SLPM65002 or these "
              "tracks)\n"
              "skip\tgames/readme\tno identifier\n")
        << plan.err;
    const Result renamed = Run(rename);
    EXPECT_EQ(renamed.status, 0) << renamed.err;
    EXPECT_EQ(testsupport::ListNames(dir / "games"),
              (std::vector<std::string>{"First Game.iso", "b.iso", "readme.txt"}));
    EXPECT_NE(ReadFile(dir / "error_log.txt").find("not verified: not in DAT"), std::string::npos);
    EXPECT_EQ(Run(rename + " --dat missing.dat").status, 2);
    EXPECT_EQ(Run("rename --verified-only").status, 64);
    EXPECT_EQ(Run("list --verified-only --dat ps2.dat").status, 64);
}
