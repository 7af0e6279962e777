// The rename run end to end: real images in a temporary start-up directory,
// the window played by a recording host.
#include "run/RenameRun.h"

#include <gtest/gtest.h>

#include "RenameRunFixture.h"
#include "platform/Crc32.h"
#include "support/TimeZone.h"

using testsupport::ListNames;
using testsupport::MakeDirs;
using testsupport::ReadFile;
using testsupport::WriteFile;
using namespace renamerun;

TEST_F(RenameRunTest, EmptyFolderWritesTheListsOnceAndTouchesNoLog) {
    WriteFile("error_log.txt", "earlier run\r\n");
    EXPECT_EQ(RunRename(Settings()), RunOutcome::Completed);
    EXPECT_EQ(host.progress, (std::vector<int>{0, 0}));
    EXPECT_EQ(host.controlsEnabled, (std::vector<bool>{false, true}));
    EXPECT_EQ(Counts(), "Discs:0 Renamed:0 Left:0");
    EXPECT_EQ(Summary().icon, MessageIcon::Information);
    EXPECT_EQ(host.statuses.back(), "Done.  Discs:0 Renamed:0 Left:0");
    EXPECT_EQ(ReadFile("error_log.txt"), "earlier run\r\n");
    EXPECT_EQ(ReadFile("HaveID (PS2).dat"), "");
    EXPECT_EQ(ReadFile("Have list (PS2).txt"), "Number of Discs in database:2 You have:0\r\n\r\n");
    EXPECT_EQ(ReadFile("Miss list (PS2).txt"),
              "Number of Discs of database:2 You are missing:2\r\n\r\nGame One [SLPM65001]\r\n"
              "Game Two [SLPM65002]\r\n");
    EXPECT_EQ(
        ListNames(dir.Path()),
        (std::vector<std::string>{"Have list (PS2).txt", "HaveID (PS2).dat", "Miss list (PS2).txt",
                                  "error_log.txt", "games.csv", "scan"}));
}

TEST_F(RenameRunTest, FailedInputChecksShowOneMessageAndWriteNothing) {
    WriteFile("scan.txt", "a file, not a folder");
    const auto before = ListNames(dir.Path());
    struct Case {
        std::string folder, database, listFormat;
        int system;
        std::string message;
        MessageIcon icon;
    };
    for (const Case& check : std::vector<Case>{
             {"sc*n", "games.csv", "%n", 1, "<MessageBox/FOLDER_NOT_FOUND>", MessageIcon::Warning},
             // A file is said to be one.
             {"scan.txt", "games.csv", "%n", 1, "<MessageBox/FOLDER_IS_FILE>",
              MessageIcon::Warning},
             // A file of another kind would leave every disc not in the database.
             {"scan", "scan.txt", "%n", 1, "<MessageBox/DATABASE_UNRECOGNISED> scan.txt",
              MessageIcon::Warning},
             {"scan", "missing.csv", "%n", 1, "<MessageBox/DATABASE_NOT_FOUND>",
              MessageIcon::Information},
             {"scan", "scan", "%n", 1, "<MessageBox/DATABASE_NOT_FOUND>", MessageIcon::Information},
             {"scan", "games.csv", "%n", -1, "<MessageBox/MODE_NOT_SELECTED>",
              MessageIcon::Information},
             {"scan", "games.csv", "", 1, "<MessageBox/HAVE_MISS_FORMAT_NOT_FOUND>",
              MessageIcon::Information}}) {
        host = RecordingHost();
        RunSettings settings = Settings();
        settings.options.folder = check.folder;
        settings.options.database = check.database;
        settings.options.listFormula = check.listFormat;
        settings.options.system = check.system + 1;
        EXPECT_EQ(RunRename(settings), RunOutcome::InputRejected) << check.message;
        ASSERT_EQ(host.messages.size(), 1u) << check.message;
        EXPECT_EQ(host.messages[0].text, check.message);
        EXPECT_EQ(host.messages[0].icon, check.icon) << check.message;
        EXPECT_EQ(host.controlsEnabled, (std::vector<bool>{false, true}));
        EXPECT_EQ(ListNames(dir.Path()), before) << check.message;
    }
    // The list format is checked after the folder walk.
    EXPECT_EQ(host.statuses, std::vector<std::string>{"<State/FILE_ENUMERATION>"});
}

TEST_F(RenameRunTest, IdentifiesLooksUpRenamesAndLogsEachKindOfFailure) {
    Ps2Disc("scan/first.iso", "SLPM_650.01");
    Ps2Disc("scan/unknown.iso", "SLPM_999.99");
    WriteFile("scan/notes.txt", "no image");
    WriteFile("scan/second.bin", "");  // an image the file system cannot read
    RunSettings settings = Settings();
    settings.options.writeBatch = true;
    EXPECT_EQ(RunRename(settings), RunOutcome::Completed);

    EXPECT_EQ(ListNames("scan"), (std::vector<std::string>{"Game One [SLPM65001].iso", "notes.txt",
                                                           "second.bin", "unknown.iso"}));
    EXPECT_EQ(Counts(), "Discs:4 Renamed:1 Left:3");
    EXPECT_EQ(ReadFile("error_log.txt"), LOG_BLOCK +
                                             "Failed to find ID - scan/notes\r\n"
                                             "Failed to find ID - scan/second\r\n"
                                             "ID : SLPM99999 - Not in Database - scan/unknown\r\n");
    EXPECT_EQ(ReadFile("RenameBatch.bat"), "\"first.*\" \"Game One [SLPM65001].*\"\r\n");
    EXPECT_EQ(ReadFile("HaveID (PS2).dat"), "SLPM65001\r\n");
    EXPECT_EQ(host.statuses[3], "Identifying : scan/first");
    EXPECT_EQ(host.statuses[4], "Renaming : scan/first");
    // The progress bar reaches its end when the last handler has been made.
    EXPECT_EQ(host.progress, (std::vector<int>{0, 16384, 32768, 49152, 65536, 0}));
}

TEST_F(RenameRunTest, ARefusedDescriptorSaysWhyUnderItsDisc) {
    WriteFile("scan/broken.cue", "FILE \"broken.bin\" BINARY\r\nTRACK 01 MODE9/2352\r\n");
    EXPECT_EQ(RunRename(Settings()), RunOutcome::NothingMatched);
    EXPECT_EQ(ReadFile("error_log.txt"),
              LOG_BLOCK +
                  "Failed to find ID - scan/broken\r\n"
                  "    broken.cue, line 2: unknown track type MODE9/2352\r\n");
}

TEST_F(RenameRunTest, BootLineWithoutVersionIsLookedUpWithoutItsCarriageReturn) {
    testsupport::WriteDisc("scan/game.iso", {{"SYSTEM.CNF", "BOOT2 = cdrom0:\\SLPM_650.02\r\n"},
                                             {"SLPM_650.02", "elf"}});
    RunRename(Settings());
    EXPECT_EQ(ListNames("scan"), std::vector<std::string>{"Game Two [SLPM65002].iso"});
    EXPECT_EQ(ReadFile("HaveID (PS2).dat"), "SLPM65002\r\n");
}

TEST_F(RenameRunTest, TheFirstIdentifierFoundInTheDatabaseNamesTheDisc) {
    Ps2Disc("scan/game.iso", "SLPM_650.01");
    const std::string imageCrc = platform::WholeFileCrcText("scan/game.iso");
    RunSettings settings = Settings();
    settings.options.imageChecksum = true;
    RunRename(settings);  // the checksum is not in the database, the code is
    EXPECT_EQ(ListNames("scan"), std::vector<std::string>{"Game One [SLPM65001].iso"});
    EXPECT_EQ(ReadFile("HaveID (PS2).dat"), "SLPM65001\r\n");

    WriteFile("games.csv", Record(imageCrc, "By Checksum") + Record("SLPM65001", "By Code"));
    RunRename(settings);
    EXPECT_EQ(ListNames("scan"), std::vector<std::string>{"By Checksum [" + imageCrc + "].iso"});
    EXPECT_EQ(ReadFile("HaveID (PS2).dat"), imageCrc + "\r\nSLPM65001\r\n");
}

TEST_F(RenameRunTest, AFailedRenameSaysWhyAndLeavesNoBatchLine) {
    WriteFile("games.csv", Record("SLPM65001", "Game One", "", "a/b"));
    Ps2Disc("scan/game.iso", "SLPM_650.01");
    RunSettings settings = Settings();
    settings.options.formula = "%l";
    settings.options.writeBatch = true;
    RunRename(settings);
    EXPECT_EQ(ListNames("scan"), std::vector<std::string>{"game.iso"});
    EXPECT_EQ(Counts(), "Discs:1 Renamed:0 Left:1");
    EXPECT_EQ(ReadFile("error_log.txt"),
              LOG_BLOCK + "Not renamed - scan/game -> a/b : not a file name\r\n");
    EXPECT_EQ(ReadFile("RenameBatch.bat"), "");
    EXPECT_EQ(ReadFile("HaveID (PS2).dat"), "");
}

TEST_F(RenameRunTest, StopDuringTheThirdOfTenFinishesItAndStillWrapsUp) {
    std::string database;
    for (int i = 0; i < 10; ++i) {
        const std::string number = std::to_string(10 + i);
        Ps2Disc("scan/disc" + number + ".iso", "SLPM_650." + number);
        database += Record("SLPM650" + number, "Game " + number);
    }
    WriteFile("games.csv", database);
    int identifying = 0;
    host.onStatus = [&](const std::string& text) {
        if (text.rfind("Identifying", 0) == 0 && ++identifying == 3) state.stopRequested = true;
    };
    EXPECT_EQ(RunRename(Settings()), RunOutcome::Stopped);
    EXPECT_EQ(identifying, 3);
    // A stopped run counts the discs it reached, and says it was stopped.
    EXPECT_EQ(Counts(), "Discs:3 Renamed:3 Left:0");
    EXPECT_EQ(host.statuses.back().rfind("<MessageBox/STOPPED>  Discs:3 Renamed:3 Left:0\n", 0),
              0u);
    EXPECT_EQ(ReadFile("HaveID (PS2).dat"), "SLPM65010\r\nSLPM65011\r\nSLPM65012\r\n");
    EXPECT_EQ(ListNames("scan")[0], "Game 10 [SLPM65010].iso");
    EXPECT_EQ(ListNames("scan")[3], "disc13.iso");
    EXPECT_EQ(host.controlsEnabled.back(), true);
}

TEST_F(RenameRunTest, TwoDiscsOfOneGameRenameTheirFolderOnce) {
    WriteFile("games.csv", Record("SLPM65001", "Saga Disc1") + Record("SLPM65002", "Saga Disc2"));
    MakeDirs("scan/old name");
    Ps2Disc("scan/old name/a.iso", "SLPM_650.01");
    Ps2Disc("scan/old name/b.iso", "SLPM_650.02");
    Ps2Disc("scan/top.iso", "SLPM_650.01");
    RunSettings settings = Settings();
    settings.options.formula = "%n";
    settings.options.scanSubfolders = true;
    settings.options.renameFolders = true;
    RunRename(settings);
    EXPECT_EQ(ListNames("scan"), (std::vector<std::string>{"Saga", "Saga Disc1.iso"}));
    EXPECT_EQ(ListNames("scan/Saga"),
              (std::vector<std::string>{"Saga Disc1.iso", "Saga Disc2.iso"}));
}

TEST_F(RenameRunTest, ReleaseDatesDateTheRenamedFilesAndFolder) {
    testsupport::InZone tokyo("Asia/Tokyo");
    WriteFile("games.csv", Record("SLPM65001", "Dated", "991231"));
    MakeDirs("scan/folder");
    Ps2Disc("scan/folder/game.iso", "SLPM_650.01");
    WriteFile("scan/folder/game.sub", "sub");
    RunSettings settings = Settings();
    settings.options.formula = "%n";
    settings.options.scanSubfolders = true;
    settings.options.renameFolders = true;
    settings.options.setTimes = true;
    RunRename(settings);
    EXPECT_EQ(testsupport::ModifiedTime("scan/Dated/Dated.iso"),
              946566000);  // 1999-12-31 00:00 JST
    EXPECT_EQ(testsupport::ModifiedTime("scan/Dated/Dated.sub"), 946566000);
    EXPECT_EQ(testsupport::ModifiedTime("scan/Dated"), 946566000);
}

TEST_F(RenameRunTest, LogBatchAndInventoryAfterTwoRuns) {
    Ps2Disc("scan/one.iso", "SLPM_650.01");
    Ps2Disc("scan/odd.iso", "SLPM_123.45");
    RunSettings settings = Settings();
    settings.options.writeBatch = true;
    RunRename(settings);
    Ps2Disc("scan/two.iso", "SLPM_650.02");
    RunRename(settings);

    const std::string oddLine = "ID : SLPM12345 - Not in Database - scan/odd\r\n";
    EXPECT_EQ(ReadFile("error_log.txt"), LOG_BLOCK + oddLine + LOG_BLOCK + oddLine);
    EXPECT_EQ(ReadFile("RenameBatch.bat"),
              "\"one.*\" \"Game One [SLPM65001].*\"\r\n"
              "\"two.*\" \"Game Two [SLPM65002].*\"\r\n");
    EXPECT_EQ(ReadFile("HaveID (PS2).dat"), "SLPM65001\r\nSLPM65002\r\n");
    EXPECT_EQ(ReadFile("Have list (PS2).txt"),
              "Number of Discs in database:2 You have:2\r\n\r\nGame One [SLPM65001]\r\n"
              "Game Two [SLPM65002]\r\n");
    EXPECT_EQ(ReadFile("Miss list (PS2).txt"),
              "Number of Discs of database:2 You are missing:0\r\n\r\n");
}
