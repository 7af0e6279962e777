#include "naming/KelOutputText.h"

#include <gtest/gtest.h>

#include "naming/KelRenameBatch.h"
#include "platform/FileOps.h"
#include "support/Files.h"
#include "support/TempDir.h"

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

TEST(KelOutputTextTest, AppendsEveryLineWithCrLf) {
    TempDir dir;
    WriteFile(dir / "out.txt", "earlier run\r\n");
    KelOutputText output(dir / "out.txt");
    output.AddLine("first");
    output.AddLine("");
    output.AddLine("third line");
    ASSERT_TRUE(output.Write());
    EXPECT_EQ(ReadFile(dir / "out.txt"), "earlier run\r\nfirst\r\n\r\nthird line\r\n");

    // The lines stay collected: a second Write appends them again.
    ASSERT_TRUE(output.Write());
    EXPECT_EQ(ReadFile(dir / "out.txt"),
              "earlier run\r\nfirst\r\n\r\nthird line\r\nfirst\r\n\r\nthird line\r\n");
}

TEST(KelOutputTextTest, WriteWithoutLinesCreatesOrKeepsTheFile) {
    TempDir dir;
    ASSERT_TRUE(KelOutputText(dir / "new.txt").Write());
    EXPECT_EQ(platform::KindOf(dir / "new.txt"), platform::PathKind::File);
    EXPECT_EQ(ReadFile(dir / "new.txt"), "");

    WriteFile(dir / "old.txt", "kept\n");
    ASSERT_TRUE(KelOutputText(dir / "old.txt").Write());
    EXPECT_EQ(ReadFile(dir / "old.txt"), "kept\n");
}

TEST(KelOutputTextTest, UnwritableFileIsReportedAndKeepsTheLines) {
    TempDir dir;
    KelOutputText output(dir / "missing/out.txt");
    output.AddLine("line");
    EXPECT_FALSE(output.Write());
    EXPECT_EQ(output.Lines(), std::vector<std::string>{"line"});
}

TEST(KelRenameBatchTest, WritesOnePatternPairPerChangedName) {
    TempDir dir;
    KelRenameBatch batch(dir / "RenameBatch.bat");
    batch.AddRename("/games/Old Title", "New Title");
    batch.AddRename("/games/Same", "Same");
    batch.AddRename("/games/case", "Case");
    batch.AddRename("/games/Say \"Hi\"", "SLPS00071 - Hi");
    ASSERT_TRUE(batch.Write());
    EXPECT_EQ(ReadFile(dir / "RenameBatch.bat"),
              "\"Old Title.*\" \"New Title.*\"\r\n"
              "\"case.*\" \"Case.*\"\r\n"
              "\"Say \"Hi\".*\" \"SLPS00071 - Hi.*\"\r\n");
}

TEST(KelRenameBatchTest, OldNameIsTheLastPathComponent) {
    KelRenameBatch batch("unused");
    batch.AddRename("/Game", "New");
    batch.AddRename("Game", "New");
    batch.AddRename("/a.b/c d/Game.v2", "New");
    EXPECT_EQ(batch.Lines(),
              (std::vector<std::string>{"\"Game.*\" \"New.*\"", "\"Game.*\" \"New.*\"",
                                        "\"Game.v2.*\" \"New.*\""}));
}

TEST(KelRenameBatchTest, SecondRunAppendsAfterTheFirst) {
    TempDir dir;
    for (const char* name : {"First", "Second"}) {
        KelRenameBatch batch(dir / "RenameBatch.bat");
        batch.AddRename("/games/Old", name);
        ASSERT_TRUE(batch.Write());
    }
    EXPECT_EQ(ReadFile(dir / "RenameBatch.bat"),
              "\"Old.*\" \"First.*\"\r\n\"Old.*\" \"Second.*\"\r\n");
}
