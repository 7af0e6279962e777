#include "run/AddRecord.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "core/RunOptions.h"
#include "platform/FileOps.h"
#include "platform/TextLines.h"
#include "support/CurrentDirectory.h"
#include "support/Files.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

class DatabaseMergeTest : public ::testing::Test {
protected:
    DatabaseMergeTest() {
        WriteFile("games.csv",
                  ";games header\r\nSLPS00072;Zeta;;;;;;PS1;;\r\nSLPS00071;Ours;;;;;;PS1;;\r\n");
        WriteFile("add.csv",
                  ";added header\r\nSLPS00071;Theirs;;;;;;PS1;;\r\n\r\n"
                  "SLPS00070;New;;;;;;PS1;;\r\n");
        options.database = "games.csv";
        options.addFile = "add.csv";
    }

    TempDir dir;
    testsupport::ScopedCurrentDirectory current{dir.Path()};
    testsupport::RecordingHost host;
    RunOptions options;
};

}  // namespace

TEST_F(DatabaseMergeTest, TheDatabaseKeepsItsRecordsUnlessTheAddFileHasPriority) {
    EXPECT_EQ(MergeDatabaseFiles(options, host), RunOutcome::Completed);
    EXPECT_EQ(ReadFile("games.csv"),
              ";games header\r\n;added header\r\n;;;;;;;;;\r\nSLPS00070;New;;;;;;PS1;;\r\n"
              "SLPS00071;Ours;;;;;;PS1;;\r\nSLPS00072;Zeta;;;;;;PS1;;\r\n");
    EXPECT_EQ(host.messages.back().text, "<MessageBox/ADD_COMPLETE>");
    EXPECT_EQ(host.statuses, (std::vector<std::string>{"<State/DATABASE_ADD>", "<State/WAIT>"}));
    EXPECT_EQ(host.controlsEnabled, (std::vector<bool>{false, true}));

    // Without an add file, Add Record finds none.
    options.addFile.clear();
    EXPECT_EQ(MergeDatabaseFiles(options, host), RunOutcome::InputRejected);
    EXPECT_EQ(host.messages.back().text, "<MessageBox/ADD_DATABASE_NOT_FOUND>");
}

TEST_F(DatabaseMergeTest, PriorityPutsTheAddFileFirst) {
    options.addPriority = true;
    MergeDatabaseFiles(options, host);
    EXPECT_EQ(ReadFile("games.csv"),
              ";added header\r\n;games header\r\n;;;;;;;;;\r\nSLPS00070;New;;;;;;PS1;;\r\n"
              "SLPS00071;Theirs;;;;;;PS1;;\r\nSLPS00072;Zeta;;;;;;PS1;;\r\n");
}

TEST_F(DatabaseMergeTest, MissingFilesAreReportedAndNothingIsWritten) {
    options.database = "absent.csv";
    EXPECT_EQ(MergeDatabaseFiles(options, host), RunOutcome::InputRejected);
    EXPECT_EQ(host.messages.back().text, "<MessageBox/DATABASE_NOT_FOUND>");
    EXPECT_EQ(host.controlsEnabled, (std::vector<bool>{false, true}));
}

TEST_F(DatabaseMergeTest, AFailedRewriteLeavesTheDatabaseAndSaysSo) {
    const std::string before = ReadFile("games.csv");
    // Files may not grow past 16 bytes: the rewrite cannot be written.
    signal(SIGXFSZ, SIG_IGN);
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit tiny = saved;
    tiny.rlim_cur = 16;
    setrlimit(RLIMIT_FSIZE, &tiny);
    const RunOutcome outcome = MergeDatabaseFiles(options, host);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, SIG_DFL);

    EXPECT_EQ(outcome, RunOutcome::CompletedWithWriteFailures);
    EXPECT_EQ(host.messages.back().text, "<MessageBox/ADD_WRITE_FAILED>");
    EXPECT_EQ(ReadFile("games.csv"), before);
    EXPECT_EQ(testsupport::ListNames(dir.Path()),
              (std::vector<std::string>{"add.csv", "games.csv"}));
}

TEST_F(DatabaseMergeTest, FilesThatCannotBeReadOrAreNoDatabaseAreNeverWritten) {
    ASSERT_EQ(mkfifo("fifo.csv", 0644), 0);
    WriteFile("budget.csv", "month,amount\r\njanuary,12\r\n");
    const std::string games = ReadFile("games.csv");
    struct Case {
        std::string database, addition, message;
    };
    for (const Case& check :
         {Case{"fifo.csv", "add.csv", "<MessageBox/DATABASE_NOT_FOUND>"},
          Case{"games.csv", "fifo.csv", "<MessageBox/ADD_DATABASE_NOT_FOUND>"},
          Case{"budget.csv", "add.csv", "<MessageBox/NOT_A_DATABASE> budget.csv"},
          Case{"games.csv", "budget.csv", "<MessageBox/NOT_A_DATABASE> budget.csv"}}) {
        options.database = check.database;
        options.addFile = check.addition;
        EXPECT_EQ(MergeDatabaseFiles(options, host), RunOutcome::InputRejected) << check.message;
        EXPECT_EQ(host.messages.back().text, check.message);
    }
    EXPECT_EQ(ReadFile("games.csv"), games);
    EXPECT_EQ(ReadFile("budget.csv"), "month,amount\r\njanuary,12\r\n");
    EXPECT_EQ(platform::KindOf("fifo.csv"), platform::PathKind::File);
}

TEST_F(DatabaseMergeTest, NeverWritesFewerLinesOrFieldsThanItRead) {
    // Fourteen records with CR-only line ends, and one with more than nine fields.
    std::string database;
    for (int i = 10; i < 24; ++i) database += "SLPS000" + std::to_string(i) + ";Game;;;;;;PS1;;\r";
    WriteFile("games.csv", database + "SLPS00099;Long;;;;;;PS1;;tenth;eleventh;\r");
    WriteFile("add.csv", "SLPS00100;New;;;;;;PS1;;\r\n");
    EXPECT_EQ(MergeDatabaseFiles(options, host), RunOutcome::Completed);
    const std::vector<std::string> lines = platform::SplitTextLines(ReadFile("games.csv"));
    ASSERT_EQ(lines.size(), 16u);
    EXPECT_EQ(lines[0], "SLPS00010;Game;;;;;;PS1;;");
    EXPECT_EQ(lines[14], "SLPS00099;Long;;;;;;PS1;;tenth;eleventh;");
}
