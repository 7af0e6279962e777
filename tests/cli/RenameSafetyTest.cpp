// A cue set under faults the user cannot rule out: a second run started at
// the same time, an I/O error on a move and on its taking back, a kill in the
// middle of a rename or of an undo. Whatever happens, the set ends renamed
// whole or as it was (the next run finishes what a fault left half done),
// and no file is lost.
#include <sys/wait.h>
#include <unistd.h>

#include <future>
#include <vector>

#include "OrvaneCliFixture.h"
#include "image/CueSheet.h"
#include "platform/FileLock.h"
#include "rename/RenameJournal.h"

using clitest::OrvaneCliTest;
using clitest::Result;
using testsupport::ListNames;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

const std::string SHEET =
    "FILE \"Old (Track 1).bin\" BINARY\r\n  TRACK 01 MODE1/2048\r\n    INDEX 01 00:00:00\r\n"
    "FILE \"Old (Track 2).bin\" BINARY\r\n  TRACK 02 AUDIO\r\n    INDEX 00 00:00:00\r\n"
    "    INDEX 01 00:02:00\r\n";

class RenameSafetyTest : public OrvaneCliTest {
protected:
    RenameSafetyTest() {
        testsupport::MakeDirs(dir / "set");
        testsupport::IsoBuilder disc;
        disc.AddFile("SYSTEM.CNF", testsupport::Ps2SystemCnf("SLPM_650.01"));
        disc.AddFile("SLPM_650.01", "elf");
        WriteFile(dir / "set/Old (Track 1).bin", disc.Build().bytes);
        WriteFile(dir / "set/Old (Track 2).bin", std::string(160 * 2352, 'a'));
        WriteFile(dir / "set/Old.cue", SHEET);
    }

    // orvane-cli with the faults given (FaultShim.cpp), in the start-up directory.
    Result WithFaults(const std::string& faults, const std::string& arguments) {
        Result result;
        result.status = testsupport::RunCommand(
            "cd " + testsupport::ShellQuote(dir.Path()) +
                " && env LD_PRELOAD=" + testsupport::ShellQuote(ORVANE_FAULT_SHIM) +
                " ASAN_OPTIONS=verify_asan_link_order=0 " + faults + " " +
                testsupport::ShellQuote(ORVANE_CLI_PATH) + " " + arguments +
                " 2>err.txt </dev/null",
            &result.out);
        result.err = testsupport::ReadFile(dir / "err.txt");
        return result;
    }

    static std::string Rename() {
        return "rename --folder set --database games.csv --system PS2 --formula '%n' "
               "--list-format '%n'";
    }

    // The set's files: two data files and the sheet naming exactly them.
    void ExpectWholeSet(const std::string& base, const std::string& trace) {
        const std::vector<std::string> names = ListNames(dir / "set");
        EXPECT_EQ(names, (std::vector<std::string>{base + " (Track 1).bin", base + " (Track 2).bin",
                                                   base + ".cue"}))
            << trace;
        const CueSheet sheet(ReadFile(dir / ("set/" + base + ".cue")));
        ASSERT_EQ(sheet.Files().size(), 2u) << trace;
        EXPECT_EQ(sheet.Files()[0].name, base + " (Track 1).bin") << trace;
        EXPECT_EQ(sheet.Files()[1].name, base + " (Track 2).bin") << trace;
        EXPECT_EQ(ReadFile(dir / ("set/" + base + " (Track 2).bin")), std::string(160 * 2352, 'a'));
    }
};

TEST_F(RenameSafetyTest, TwoRunsAtOnceTheSecondTouchesNothing) {
    for (const std::string& held : {std::string("."), std::string("set")}) {
        const platform::FileLock lock(dir / held, platform::FileLock::Target::Folder);
        ASSERT_TRUE(lock.Held());
        const Result second = Run(Rename());
        EXPECT_EQ(second.status, 2) << held;
        EXPECT_NE(second.err.find("Another run"), std::string::npos) << second.err;
        EXPECT_EQ(ListNames(dir.Path()),
                  (std::vector<std::string>{"err.txt", "games", "games.csv", "set"}))
            << held;
        ExpectWholeSet("Old", held);
        EXPECT_EQ(Run("undo").status, 2) << held;
    }
    // Pairs started together: one renames, the other refuses or finds the
    // set renamed; never a broken set.
    for (int pair = 0; pair < 8; ++pair) {
        const std::string formula = pair % 2 == 0 ? "'%n'" : "'%n [%i]'";
        const std::string arguments =
            "rename --folder set --database games.csv --system PS2 "
            "--list-format '%n' --formula " +
            formula;
        auto first = std::async(std::launch::async, [&] { return Run(arguments); });
        const Result second = Run(arguments);
        const Result one = first.get();
        EXPECT_TRUE(one.status == 0 || second.status == 0) << one.err << second.err;
        ExpectWholeSet(pair % 2 == 0 ? "First Game" : "First Game [SLPM65001]",
                       "pair " + std::to_string(pair));
    }
}

TEST_F(RenameSafetyTest, AFailedRollbackLeavesTheEntryOpenAndTheNextRunFinishesIt) {
    // Track 2 cannot move, and Track 1 cannot move back.
    const Result failed =
        WithFaults("ORVANE_FAULT_MOVE_FROM='Old (Track 2).bin|First Game (Track 1).bin'", Rename());
    EXPECT_EQ(failed.status, 1) << failed.err;
    EXPECT_NE(ReadFile(dir / "error_log.txt").find("not taken back: set/First Game (Track 1).bin"),
              std::string::npos)
        << ReadFile(dir / "error_log.txt");
    const JournalContents journal = ReadJournal(dir / RENAME_JOURNAL_FILE);
    ASSERT_EQ(journal.runs.size(), 1u);
    ASSERT_EQ(journal.runs[0].entries.size(), 1u);
    EXPECT_EQ(journal.runs[0].entries[0].state, JournalEntry::State::Open);

    // The next run finds every step possible again and makes the set whole
    // before anything else; the orphan is never taken for a disc of its own.
    const Result next = Run(Rename());
    EXPECT_EQ(next.status, 0) << next.err;
    ExpectWholeSet("First Game", "next run");
}

TEST_F(RenameSafetyTest, AKilledRenameOrUndoIsFinishedByTheNextRun) {
    for (int moves = 1; moves <= 3; ++moves) {
        const std::string trace = "killed after move " + std::to_string(moves);
        const Result killed =
            WithFaults("ORVANE_FAULT_KILL_AFTER_MOVES=" + std::to_string(moves), Rename());
        EXPECT_TRUE(WIFSIGNALED(killed.status) || killed.status == 137) << killed.status;
        const Result next = Run(Rename());
        EXPECT_EQ(next.status, 0) << next.err;
        ExpectWholeSet("First Game", "rename " + trace);

        // An undo killed in the middle: the next run takes the disc back
        // whole before it renames it again.
        const Result undoKilled =
            WithFaults("ORVANE_FAULT_KILL_AFTER_MOVES=" + std::to_string(moves), "undo");
        EXPECT_TRUE(WIFSIGNALED(undoKilled.status) || undoKilled.status == 137);
        const Result rerun = Run(Rename());
        EXPECT_EQ(rerun.status, 0) << rerun.err;
        ExpectWholeSet("First Game", "undo " + trace);
        const Result undo = Run("undo");
        EXPECT_EQ(undo.status, 0) << undo.err;
        ExpectWholeSet("Old", "undo after the rerun, " + trace);
        EXPECT_EQ(ReadFile(dir / "set/Old.cue"), SHEET);
    }
}

TEST_F(RenameSafetyTest, RunsThatMoveNothingDoNotPushTheRealRunOut) {
    ASSERT_EQ(Run(Rename()).status, 0);
    for (std::size_t rerun = 0; rerun <= JOURNAL_RUNS_KEPT; ++rerun) {
        ASSERT_EQ(Run(Rename()).status, 0);
    }
    const Result undo = Run("undo");
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_NE(undo.err.find("Run 1 "), std::string::npos) << undo.err;
    ExpectWholeSet("Old", "undo after idle reruns");
    EXPECT_EQ(ReadFile(dir / "set/Old.cue"), SHEET);
}

}  // namespace
