// The rename run on folders as people have them: nothing outside the scan
// folder is touched, nothing blocks, nothing unreadable is written over, and
// small inputs never make it run out of memory.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

#include "RenameRunFixture.h"
#include "platform/FileOps.h"
#include "support/TimeZone.h"

using namespace renamerun;
using testsupport::ListNames;
using testsupport::MakeDirs;
using testsupport::ModifiedTime;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

// Runs the rename run on a thread and fails, rather than hang the suite, when
// it has not returned in a few seconds; opening the FIFOs for writing then
// releases a run that blocks on one of them.
RunOutcome RunWithin(const RunSettings& settings, const std::vector<std::string>& fifos) {
    auto run = std::async(std::launch::async, [settings] { return RunRename(settings); });
    if (run.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "the run blocked";
        for (const std::string& fifo : fifos) close(open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
    }
    return run.get();
}

void MakeFifo(const std::string& path) {
    ASSERT_EQ(mkfifo(path.c_str(), 0644), 0) << path;
}

}  // namespace

TEST_F(RenameRunTest, CandidatesStayInsideTheScanFolder) {
    // A dot in the scan folder's name, a file without extension and hidden
    // files: none of them makes a candidate outside the folder.
    Ps2Disc("Games.iso", "SLPM_650.02");
    const std::string outside = ReadFile("Games.iso");
    MakeDirs("Games.v2");
    WriteFile("Games.v2/README", "notes");
    WriteFile("Games.v2/.iso", "hidden");
    WriteFile("Games.v2/.bashrc", "hidden");
    Ps2Disc("Games.v2/first.iso", "SLPM_650.01");
    RunSettings settings = Settings();
    settings.options.folder = "Games.v2";
    RunRename(settings);
    EXPECT_EQ(ReadFile("Games.iso"), outside);
    EXPECT_EQ(ListNames("Games.v2"),
              (std::vector<std::string>{".bashrc", ".iso", "Game One [SLPM65001].iso", "README"}));
}

TEST_F(RenameRunTest, OnlyRegularFilesAreOpened) {
    Ps2Disc("scan/first.iso", "SLPM_650.01");
    MakeFifo("scan/game.iso");
    EXPECT_EQ(RunWithin(Settings(), {"scan/game.iso"}), RunOutcome::Completed);
    EXPECT_EQ(Counts(), "Discs:2 Renamed:1 Left:1");
    EXPECT_NE(ReadFile("error_log.txt").find("Failed to find ID - scan/game\r\n"),
              std::string::npos);

    // A FIFO or a device given as the database is no database.
    MakeFifo("games.fifo");
    for (const std::string& database : {std::string("games.fifo"), std::string("/dev/null")}) {
        host = RecordingHost();
        RunSettings settings = Settings();
        settings.options.database = database;
        EXPECT_EQ(RunWithin(settings, {"games.fifo"}), RunOutcome::InputRejected) << database;
        EXPECT_EQ(host.messages.back().text, "<MessageBox/DATABASE_NOT_FOUND>");
    }
}

TEST_F(RenameRunTest, AnInventoryThatCannotBeReadIsNeverWrittenOver) {
    MakeFifo("HaveID (PS2).dat");
    Ps2Disc("scan/first.iso", "SLPM_650.01");
    EXPECT_EQ(RunWithin(Settings(), {"HaveID (PS2).dat"}), RunOutcome::CompletedWithWriteFailures);
    struct stat status;
    ASSERT_EQ(lstat("HaveID (PS2).dat", &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
    EXPECT_EQ(platform::KindOf("Have list (PS2).txt"), platform::PathKind::Missing);
    EXPECT_EQ(Summary().text,
              "Discs:1 Renamed:1 Left:0 <MessageBox/FILES_NOT_WRITTEN> HaveID (PS2).dat, "
              "Have list (PS2).txt, Miss list (PS2).txt");
    EXPECT_EQ(Summary().icon, MessageIcon::Warning);
}

TEST_F(RenameRunTest, SmallUntrustedInputsStayBounded) {
    // Each inserted value brings more placeholders: unbounded, this name and
    // this list line would need about 10^9 bytes each.
    std::string cascade;
    for (int i = 0; i < 1000; ++i) cascade += "%l%s%v";
    WriteFile("games.csv", "SLPM65001;" + cascade + ";" + cascade + ";" + cascade + ";" + cascade +
                               ";;;PS2;;\r\n");
    Ps2Disc("scan/first.iso", "SLPM_650.01");
    RunSettings settings = Settings();
    settings.options.formula = "%n";
    settings.options.listFormula = "%n";
    EXPECT_EQ(RunRename(settings), RunOutcome::Completed);
    EXPECT_EQ(ListNames("scan"), std::vector<std::string>{"first.iso"});
    const std::string log = ReadFile("error_log.txt");
    EXPECT_NE(log.find("Not renamed - scan/first -> "), std::string::npos);
    EXPECT_TRUE(log.ends_with(" : name too long\r\n"));
    EXPECT_LT(ReadFile("Miss list (PS2).txt").size(), 4096u + 100);
}

TEST_F(RenameRunTest, NamesAsLinuxHasThem) {
    testsupport::InZone utc("UTC");
    WriteFile("games.csv",
              Record("SLPM65001", "Game One") + Record("SLPM65002", "Two: The Sequel") +
                  Record("SLPM65003", "Sheet", "991231") + Record("SLPM65004", "Linked", "991231") +
                  Record("SLPM65005", "Inner", "991231"));
    // Two discs whose names differ only in case.
    Ps2Disc("scan/game.iso", "SLPM_650.01");
    Ps2Disc("scan/GAME.bin", "SLPM_650.02");
    WriteFile("scan/GAME.cue", "FILE \"GAME.bin\" BINARY\r\n  TRACK 01 MODE1/2048\r\n");
    const std::int64_t undated = ModifiedTime("scan/game.iso");
    // A disc whose boot line would forge a line of the error log.
    Ps2Disc("scan/forged.iso", "SLPM_999.99\r\rID : FORGED - Not in Database - x");
    // A linked image and linked cue sheets: the links are moved and dated,
    // what they point to is not; a sheet is rewritten where it lies when that
    // is inside the scan folder, and its set is left alone when it is not.
    MakeDirs("outside");
    Ps2Disc("outside/target.iso", "SLPM_650.04");
    ASSERT_EQ(symlink("../outside/target.iso", "scan/link.iso"), 0);
    Ps2Disc("scan/sheet.bin", "SLPM_650.03");
    const std::string outsideSheet = "FILE \"sheet.bin\" BINARY\r\n  TRACK 01 MODE1/2048\r\n";
    WriteFile("outside/sheet.cue", outsideSheet);
    ASSERT_EQ(symlink("../outside/sheet.cue", "scan/sheet.cue"), 0);
    Ps2Disc("scan/inner.bin", "SLPM_650.05");
    MakeDirs("scan/sheets");
    WriteFile("scan/sheets/inner.cue", "FILE \"inner.bin\" BINARY\r\n  TRACK 01 MODE1/2048\r\n");
    ASSERT_EQ(symlink("sheets/inner.cue", "scan/inner.cue"), 0);
    const std::int64_t targetTime = ModifiedTime("outside/target.iso");

    RunSettings settings = Settings();
    settings.options.setTimes = true;
    RunRename(settings);
    EXPECT_EQ(
        ListNames("scan"),
        (std::vector<std::string>{
            "Game One [SLPM65001].iso", "Inner [SLPM65005].bin", "Inner [SLPM65005].cue",
            "Linked [SLPM65004].iso", "Two： The Sequel [SLPM65002].bin",
            "Two： The Sequel [SLPM65002].cue", "forged.iso", "sheet.bin", "sheet.cue", "sheets"}));
    EXPECT_EQ(ModifiedTime("outside/target.iso"), targetTime);
    EXPECT_EQ(ModifiedTime("scan/Game One [SLPM65001].iso"), undated);  // no date known
    struct stat link;
    ASSERT_EQ(lstat("scan/Inner [SLPM65005].cue", &link), 0);
    EXPECT_TRUE(S_ISLNK(link.st_mode));
    EXPECT_EQ(ReadFile("scan/sheets/inner.cue"),
              "FILE \"Inner [SLPM65005].bin\" BINARY\r\n  TRACK 01 MODE1/2048\r\n");
    EXPECT_EQ(ReadFile("outside/sheet.cue"), outsideSheet);
    const std::string log = ReadFile("error_log.txt");
    EXPECT_NE(log.find("Not renamed - scan/sheet -> Sheet [SLPM65003] : sheet.cue links outside "
                       "the scan folder\r\n"),
              std::string::npos)
        << log;
    for (std::size_t cr = log.find('\r'); cr != std::string::npos; cr = log.find('\r', cr + 1)) {
        EXPECT_EQ(log[cr + 1], '\n') << "a carriage return inside a line";
    }
    // The list shows the database's own characters, not the forms file names need.
    EXPECT_NE(ReadFile("Have list (PS2).txt").find("Two: The Sequel [SLPM65002]"),
              std::string::npos);
}

TEST_F(RenameRunTest, TheBatchRecordsEachRenameAsItIsMade) {
    Ps2Disc("scan/a.iso", "SLPM_650.01");
    Ps2Disc("scan/b.iso", "SLPM_650.02");
    std::string seenDuringTheRun;
    host.onStatus = [&](const std::string& text) {
        if (text == "Identifying : scan/b") seenDuringTheRun = ReadFile("RenameBatch.bat");
    };
    RunSettings settings = Settings();
    settings.options.writeBatch = true;
    RunRename(settings);
    EXPECT_EQ(seenDuringTheRun, "\"a.*\" \"Game One [SLPM65001].*\"\r\n");
    EXPECT_EQ(ReadFile("RenameBatch.bat"),
              "\"a.*\" \"Game One [SLPM65001].*\"\r\n\"b.*\" \"Game Two [SLPM65002].*\"\r\n");
}

TEST_F(RenameRunTest, TemporariesOfAKilledRunAreRemoved) {
    // No process has this number (the kernel's limit is lower).
    const std::string dead = ".orvane-tmp-99999999-0";
    Ps2Disc("scan/first.iso", "SLPM_650.01");
    WriteFile("scan/first.iso" + dead, "half a rewrite");
    WriteFile("HaveID (PS2).dat", "");
    WriteFile("HaveID (PS2).dat" + dead, "half a rewrite");
    WriteFile("scan/notes.tmp1-0", "a file of the user's");  // no notes beside it
    // Named like the temporaries of earlier versions, and the user's.
    WriteFile("scan/notes.txt", "notes");
    WriteFile("scan/notes.txt.tmp99999999-1", "a file of the user's");
    RunRename(Settings());
    EXPECT_EQ(ListNames("scan"),
              (std::vector<std::string>{"Game One [SLPM65001].iso", "notes.tmp1-0", "notes.txt",
                                        "notes.txt.tmp99999999-1"}));
    EXPECT_EQ(platform::KindOf("HaveID (PS2).dat" + dead), platform::PathKind::Missing);
}
