// Taking back a run whose files were touched since: a later run renamed one
// again, a new folder took a renamed folder's old name, a playlist was
// deleted. What cannot go back stays and says why; the rest goes back, and
// undo can be run again once the way is clear.
#include "rename/RenameUndo.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "rename/RenameJournal.h"
#include "support/CurrentDirectory.h"
#include "support/Files.h"
#include "support/TempDir.h"

using testsupport::ListNames;
using testsupport::MakeDirs;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

class RecordedPlan final : public PlanSink {
public:
    void Add(const PlanStep& step) override { lines.push_back(PlanLine(step)); }
    std::vector<std::string> lines;
};

}  // namespace

TEST(RenameUndo, WhatCannotGoBackStaysAndSaysWhy) {
    testsupport::TempDir dir;
    testsupport::ScopedCurrentDirectory current(dir.Path());
    // Run 1 renamed a.iso (its playlist too) and then its folder, and b.iso;
    // run 2 renamed B.iso again. Since then a folder took the old name.
    MakeDirs("scan/New");
    MakeDirs("scan/Old");
    WriteFile("scan/New/A.iso", "a");
    WriteFile("scan/C.iso", "b");
    WriteFile(RENAME_JOURNAL_FILE,
              "run\t1\t2026-12-08T10:00:00Z\tscan\r\n"
              "disc\t1\t1\tscan/Old/a\r\n"
              "move\tscan/Old/a.iso\tscan/Old/A.iso\r\n"
              "rewrite\tplaylist\tscan/Old/list.m3u\ta.iso\tA.iso\r\n"
              "done\t1\t1\r\n"
              "disc\t1\t2\tscan/b\r\n"
              "move\tscan/b.iso\tscan/B.iso\r\n"
              "done\t1\t2\r\n"
              "folder\t1\tscan/Old\tscan/New\r\n"
              "run\t2\t2026-12-09T10:00:00Z\tscan\r\n"
              "disc\t2\t1\tscan/B\r\n"
              "move\tscan/B.iso\tscan/C.iso\r\n"
              "done\t2\t1\r\n");

    const std::vector<std::string> expected = {
        "skip\tscan/New\told name taken",
        "skip\tscan/B.iso\trenamed again by a later run",
        "skip\tscan/New/list.m3u\tgone",
        "rename\tscan/New/A.iso\tscan/New/a.iso",
    };
    RecordedPlan dry;
    UndoReport report = UndoRenameRun({RENAME_JOURNAL_FILE, 2, true}, dry);
    EXPECT_EQ(dry.lines, expected);
    EXPECT_EQ(ListNames("scan/New"), std::vector<std::string>{"A.iso"});

    RecordedPlan plan;
    report = UndoRenameRun({RENAME_JOURNAL_FILE, 2, false}, plan);
    EXPECT_EQ(plan.lines, expected);
    EXPECT_EQ(report.result, UndoReport::Result::PartlyTakenBack);
    EXPECT_EQ(report.run, 1);
    EXPECT_EQ(report.files, 1);
    EXPECT_EQ(report.skipped, 3);
    // The file goes back inside the folder that keeps its new name.
    EXPECT_EQ(ListNames("scan/New"), std::vector<std::string>{"a.iso"});

    // Run 2 taken back, and the way cleared: the rest of run 1 goes back.
    RecordedPlan last;
    report = UndoRenameRun({RENAME_JOURNAL_FILE, 1, false}, last);
    EXPECT_EQ(report.result, UndoReport::Result::TakenBack);
    EXPECT_EQ(last.lines, std::vector<std::string>{"rename\tscan/C.iso\tscan/B.iso"});
    std::filesystem::remove("scan/Old");
    // Stop comes between discs: what is left waits for the next undo.
    const std::atomic<bool> stop{true};
    RecordedPlan stopped;
    report = UndoRenameRun({RENAME_JOURNAL_FILE, 2, false, &stop}, stopped);
    EXPECT_TRUE(report.stopped);
    EXPECT_EQ(report.result, UndoReport::Result::PartlyTakenBack);
    EXPECT_EQ(stopped.lines, std::vector<std::string>{"folder\tscan/New\tscan/Old"});
    RecordedPlan rest;
    report = UndoRenameRun({RENAME_JOURNAL_FILE, 2, false}, rest);
    EXPECT_EQ(report.result, UndoReport::Result::TakenBack);
    EXPECT_EQ(rest.lines, std::vector<std::string>{"rename\tscan/B.iso\tscan/b.iso"});
    EXPECT_EQ(ListNames("scan"), (std::vector<std::string>{"Old", "b.iso"}));
    EXPECT_EQ(ReadFile("scan/Old/a.iso"), "a");
    EXPECT_TRUE(ReadJournal(RENAME_JOURNAL_FILE).runs[0].undone);
    EXPECT_EQ(UndoRenameRun({RENAME_JOURNAL_FILE, 2, false}, rest).result,
              UndoReport::Result::AlreadyTakenBack);
}

// A plan line is one line that splits into its fields, whatever the names hold.
TEST(RenameUndo, PlanLinesEscapeTabsLineEndsAndBackslashes) {
    EXPECT_EQ(PlanLine({PlanStep::Kind::Rename, "a\tb\\c", "d\r\ne"}),
              "rename\ta\\tb\\\\c\td\\r\\ne");
    EXPECT_EQ(PlanLine({PlanStep::Kind::Rewrite, "x.cue", ""}), "rewrite\tx.cue");
    EXPECT_EQ(PlanLine({PlanStep::Kind::Folder, "o", "n"}), "folder\to\tn");
    EXPECT_EQ(PlanLine({PlanStep::Kind::Skip, "p", "collision"}), "skip\tp\tcollision");
}
