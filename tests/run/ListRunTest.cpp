#include "run/ListRun.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/CurrentDirectory.h"
#include "support/Files.h"
#include "support/IsoBuilder.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

using testsupport::ListNames;
using testsupport::MakeDirs;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

class ListRunTest : public ::testing::Test {
protected:
    ListRunTest() {
        MakeDirs("scan");
        host.texts = {{"MessageBox/LIST_DONE_1", "Listed."}};
    }

    RunSettings Settings(const std::string& database = "list.csv") {
        RunSettings settings;
        settings.ownerWindow = &host;
        settings.runState = &state;
        settings.options.folder = "scan";
        settings.options.database = database;
        settings.options.system = 1;
        return settings;
    }

    static void Ps1Disc(const std::string& path, const std::string& bootFile) {
        testsupport::WriteDisc(
            path, {{"SYSTEM.CNF", testsupport::Ps1SystemCnf(bootFile)}, {bootFile, "exe"}});
    }

    TempDir dir;
    testsupport::ScopedCurrentDirectory current{dir.Path()};
    testsupport::RecordingHost host;
    RunState state;
};

}  // namespace

TEST_F(ListRunTest, AppendsALinePerIdentifiedDiscToANewDatabase) {
    Ps1Disc("scan/a.iso", "SLPS_000.71");
    Ps1Disc("scan/b.iso", "SCES_012.34");
    testsupport::WriteDisc(
        "scan/c.iso", {{"SYSTEM.CNF", "BOOT = cdrom:\\SLUS_005.55\r\n"}, {"SLUS_005.55", "exe"}});
    WriteFile("scan/d.bin", "not a disc");
    EXPECT_EQ(RunList(Settings()), RunOutcome::Completed);
    // The boot line without ";1" loses its carriage return, as in a lookup.
    EXPECT_EQ(ReadFile("list.csv"),
              "SLPS00071;scan/a;;;;;;PS1;;\r\nSCES01234;scan/b;;;;;;PS1;;\r\n"
              "SLUS00555;scan/c;;;;;;PS1;;\r\n");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Listed.");
    EXPECT_EQ(host.statuses.back(), "Listed.");
    EXPECT_EQ(host.progress.back(), 0);
    EXPECT_EQ(host.controlsEnabled, (std::vector<bool>{false, true}));
}

TEST_F(ListRunTest, AppendsOnANewLineAndTwiceWhenRunTwice) {
    Ps1Disc("scan/a.iso", "SLPS_000.71");
    WriteFile("list.csv", ";header\r\nSLPS00001;Old;;;;;;PS1;;");
    RunList(Settings());
    RunList(Settings());
    EXPECT_EQ(ReadFile("list.csv"),
              ";header\r\nSLPS00001;Old;;;;;;PS1;;\r\nSLPS00071;scan/a;;;;;;PS1;;\r\n"
              "SLPS00071;scan/a;;;;;;PS1;;\r\n");
}

TEST_F(ListRunTest, DatabaseChecksAndTheOrderOfTheChecks) {
    EXPECT_EQ(RunList(Settings("missing/list.csv")), RunOutcome::InputRejected);
    EXPECT_EQ(host.messages.back().text, "<MessageBox/DATABASE_NOT_FOUND>");

    RunSettings noSystem = Settings();
    noSystem.options.system = 0;
    EXPECT_EQ(RunList(noSystem), RunOutcome::InputRejected);
    EXPECT_EQ(host.messages.back().text, "<MessageBox/MODE_NOT_SELECTED>");
    EXPECT_EQ(ReadFile("list.csv"), "");  // created before the system check

    if (geteuid() != 0) {
        WriteFile("locked.csv", "x;y;\r\n");
        chmod("locked.csv", 0444);
        EXPECT_EQ(RunList(Settings("locked.csv")), RunOutcome::InputRejected);
        EXPECT_EQ(host.messages.back().text, "<MessageBox/DATABASE_NOT_FOUND>");
        EXPECT_EQ(ReadFile("locked.csv"), "x;y;\r\n");
    }
}

TEST_F(ListRunTest, StopAfterTheSecondDiscLeavesTwoLines) {
    for (const char* name : {"a", "b", "c", "d"}) {
        Ps1Disc(std::string("scan/") + name + ".iso", "SLPS_000.71");
    }
    int identifying = 0;
    host.onStatus = [&](const std::string& text) {
        if (text.rfind("<State/GET_ID> : ", 0) == 0 && ++identifying == 2) {
            state.stopRequested = true;
        }
    };
    EXPECT_EQ(RunList(Settings()), RunOutcome::Stopped);
    EXPECT_EQ(ReadFile("list.csv"),
              "SLPS00071;scan/a;;;;;;PS1;;\r\nSLPS00071;scan/b;;;;;;PS1;;\r\n");
    EXPECT_EQ(host.messages.back().text, "Listed.");
    EXPECT_EQ(host.statuses.back(), "<MessageBox/STOPPED>  Listed.");
}

TEST_F(ListRunTest, EveryVolumeOfAnArchiveIsACandidateOfItsOwn) {
    const std::string corpus = testsupport::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "no corpus";
    for (const char* volume :
         {"rar5-vols.part1.rar", "rar5-vols.part2.rar", "rar5-vols.part3.rar"}) {
        WriteFile(std::string("scan/") + volume,
                  ReadFile(corpus + "/archives/rarfile/test/files/" + volume));
    }
    RunSettings settings = Settings();
    settings.options.searchArchives = true;
    RunList(settings);
    EXPECT_EQ(state.candidates,
              (std::vector<std::string>{"scan/rar5-vols.part1", "scan/rar5-vols.part2",
                                        "scan/rar5-vols.part3"}));
    EXPECT_EQ(ReadFile("list.csv"), "");  // the archive holds no disc image
}

TEST_F(ListRunTest, ArchivesAreSearchedOnlyWhenAsked) {
    if (!testsupport::HaveTool("zip")) GTEST_SKIP() << "zip is not installed";
    MakeDirs("pack");
    Ps1Disc("pack/game.iso", "SLPS_000.71");
    ASSERT_EQ(testsupport::RunCommand("cd pack && zip -q ../scan/game.zip game.iso"), 0);
    RunList(Settings());
    EXPECT_EQ(ReadFile("list.csv"), "");
    RunSettings settings = Settings();
    settings.options.searchArchives = true;
    RunList(settings);
    EXPECT_EQ(ReadFile("list.csv"), "SLPS00071;scan/game;;;;;;PS1;;\r\n");
}

TEST_F(ListRunTest, WritesOnlyToADatabaseAndOnlyLinesItCanWrite) {
    Ps1Disc("scan/a.iso", "SLPS_000.71");
    Ps1Disc("scan/semi;colon.iso", "SLPS_000.72");
    WriteFile("budget.csv", "month,amount\r\njanuary,12\r\n");
    EXPECT_EQ(RunList(Settings("budget.csv")), RunOutcome::InputRejected);
    EXPECT_EQ(host.messages.back().text, "<MessageBox/NOT_A_DATABASE> budget.csv");
    EXPECT_EQ(ReadFile("budget.csv"), "month,amount\r\njanuary,12\r\n");
    EXPECT_EQ(RunList(Settings("/dev/full")), RunOutcome::InputRejected);
    EXPECT_EQ(host.messages.back().text, "<MessageBox/DATABASE_NOT_FOUND>");

    // A path holding ';' would split its line: it is skipped, and logged.
    EXPECT_EQ(RunList(Settings()), RunOutcome::Completed);
    EXPECT_EQ(ReadFile("list.csv"), "SLPS00071;scan/a;;;;;;PS1;;\r\n");
    EXPECT_TRUE(ReadFile("error_log.txt")
                    .ends_with("\r\nNot listed, its path holds ';' - scan/semi;colon\r\n"));
}
