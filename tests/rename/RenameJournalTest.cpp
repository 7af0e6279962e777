// What the journal's reader trusts: an entry only once it is complete and its
// lines end, never a line cut short by a full disk or a kill.
#include "rename/RenameJournal.h"

#include <gtest/gtest.h>

#include "rename/FileActions.h"
#include "rename/JournalRecovery.h"
#include "support/CurrentDirectory.h"
#include "support/Files.h"
#include "support/TempDir.h"

using testsupport::ListNames;
using testsupport::MakeDirs;
using testsupport::WriteFile;

namespace {

const std::string RUN = "run\t1\t2026-12-08T10:00:00Z\tscan\t2\r\n";
const std::string ENTRY =
    "disc\t1\t1\tscan/Old\r\n"
    "move\tscan/Old (Track 1).bin\tscan/Metal Gear (Track 1).bin\r\n"
    "move\tscan/Old (Track 2).bin\tscan/Metal Gear (Track 2).bin\r\n";

// A torn last line was trusted: recovery moved "Old (Track 2).bin" to a file
// named "Metal Gear", the start of its cut name.
TEST(RenameJournal, ATornLastLineIsIgnoredAndReported) {
    const JournalContents torn =
        ParseJournal(RUN + "disc\t1\t1\tscan/Old\r\nmove\tscan/Old (Track 2).bin\tscan/Metal Gear");
    EXPECT_TRUE(torn.tornTail);
    ASSERT_EQ(torn.runs.size(), 1u);
    EXPECT_TRUE(torn.runs[0].entries.empty());
    EXPECT_EQ(torn.unfinishedEntries, 1);

    // Complete lines without the ready line: the write was cut short before
    // any move was allowed, so there is nothing to finish.
    for (const std::string& text :
         {RUN + ENTRY, RUN + ENTRY + "ready\t1\t1\t3\r\n", RUN + ENTRY + "ready\t1\t2\t2\r\n"}) {
        const JournalContents contents = ParseJournal(text);
        EXPECT_FALSE(contents.tornTail);
        EXPECT_TRUE(contents.runs[0].entries.empty()) << text;
        EXPECT_EQ(contents.unfinishedEntries, 1) << text;
    }
    const JournalContents ready = ParseJournal(RUN + ENTRY + "ready\t1\t1\t2\r\n");
    ASSERT_EQ(ready.runs[0].entries.size(), 1u);
    EXPECT_EQ(ready.runs[0].entries[0].state, JournalEntry::State::Open);
    EXPECT_EQ(ready.runs[0].entries[0].plan.moves.size(), 2u);

    // On disk, recovery leaves the files of a torn entry alone and says so.
    testsupport::TempDir dir;
    testsupport::ScopedCurrentDirectory current(dir.Path());
    MakeDirs("scan");
    WriteFile("scan/Old (Track 2).bin", "track 2");
    WriteFile(RENAME_JOURNAL_FILE, RUN + ENTRY.substr(0, ENTRY.size() - 20));
    DiskFileActions disk;
    const JournalRecovery recovery = FinishOpenEntries(RENAME_JOURNAL_FILE, disk, nullptr);
    EXPECT_TRUE(recovery.tornTail);
    EXPECT_TRUE(recovery.entries.empty());
    EXPECT_EQ(ListNames("scan"), std::vector<std::string>{"Old (Track 2).bin"});
}

// Only runs that changed something count: the ten kept, and undo --run N.
TEST(RenameJournal, RunsThatChangedNothingDoNotCount) {
    const std::string idle =
        "run\t2\t2026-12-08T11:00:00Z\tscan\t2\r\n"
        "disc\t2\t1\tscan/New\r\nmove\tscan/New.iso\tscan/New.iso\r\n"
        "ready\t2\t1\t1\r\ndone\t2\t1\r\n";
    const std::string failed =
        "run\t3\t2026-12-08T12:00:00Z\tscan\t2\r\n"
        "disc\t3\t1\tscan/A\r\nmove\tscan/A.iso\tscan/B.iso\r\n"
        "ready\t3\t1\t1\r\nundone\t3\t1\r\n";
    const JournalContents contents =
        ParseJournal(RUN + ENTRY + "ready\t1\t1\t2\r\ndone\t1\t1\r\n" + idle + failed);
    ASSERT_EQ(contents.runs.size(), 3u);
    ASSERT_EQ(contents.RealRuns().size(), 1u);
    EXPECT_EQ(contents.RealRuns()[0]->number, 1);
}

}  // namespace
