#include "run/AddRecord.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include "config/WindowModel.h"
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
        model.edits[EDIT_DATABASE] = "games.csv";
        model.edits[EDIT_ADD_DATABASE] = "add.csv";
    }

    TempDir dir;
    testsupport::ScopedCurrentDirectory current{dir.Path()};
    testsupport::RecordingHost host;
    WindowModel model{host.startDirectory};
};

}  // namespace

TEST_F(DatabaseMergeTest, TheDatabaseKeepsItsRecordsUnlessTheAddFileHasPriority) {
    EXPECT_EQ(MergeDatabaseFiles(model, host), RunOutcome::Completed);
    EXPECT_EQ(ReadFile("games.csv"),
              ";games header\r\n;added header\r\n;;;;;;;;;\r\nSLPS00070;New;;;;;;PS1;;\r\n"
              "SLPS00071;Ours;;;;;;PS1;;\r\nSLPS00072;Zeta;;;;;;PS1;;\r\n");
    EXPECT_EQ(host.messages.back().text, "<MessageBox/ADD_COMPLETE>");
    EXPECT_EQ(model.edits[EDIT_ADD_DATABASE], "");
    EXPECT_EQ(host.statuses, (std::vector<std::string>{"<State/DATABASE_ADD>", "<State/WAIT>"}));
    EXPECT_EQ(host.controlsEnabled, (std::vector<bool>{false, true}));

    // With the add-file field cleared, a second Add Record finds no add file.
    EXPECT_EQ(MergeDatabaseFiles(model, host), RunOutcome::InputRejected);
    EXPECT_EQ(host.messages.back().text, "<MessageBox/ADD_DATABASE_NOT_FOUND>");
}

TEST_F(DatabaseMergeTest, PriorityPutsTheAddFileFirst) {
    model.checks[CHECK_ADD_PRIORITY] = 1;
    MergeDatabaseFiles(model, host);
    EXPECT_EQ(ReadFile("games.csv"),
              ";added header\r\n;games header\r\n;;;;;;;;;\r\nSLPS00070;New;;;;;;PS1;;\r\n"
              "SLPS00071;Theirs;;;;;;PS1;;\r\nSLPS00072;Zeta;;;;;;PS1;;\r\n");
}

TEST_F(DatabaseMergeTest, MissingFilesAreReportedAndNothingIsWritten) {
    model.edits[EDIT_DATABASE] = "absent.csv";
    EXPECT_EQ(MergeDatabaseFiles(model, host), RunOutcome::InputRejected);
    EXPECT_EQ(host.messages.back().text, "<MessageBox/DATABASE_NOT_FOUND>");
    EXPECT_EQ(host.controlsEnabled, (std::vector<bool>{false, true}));
    EXPECT_EQ(model.edits[EDIT_ADD_DATABASE], "add.csv");
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
    const RunOutcome outcome = MergeDatabaseFiles(model, host);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, SIG_DFL);

    EXPECT_EQ(outcome, RunOutcome::CompletedWithWriteFailures);
    EXPECT_EQ(host.messages.back().text, "<MessageBox/ADD_WRITE_FAILED>");
    EXPECT_EQ(ReadFile("games.csv"), before);
    EXPECT_EQ(model.edits[EDIT_ADD_DATABASE], "add.csv");
    EXPECT_EQ(testsupport::ListNames(dir.Path()),
              (std::vector<std::string>{"add.csv", "games.csv"}));
}
