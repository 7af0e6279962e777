// Disc sets as collectors keep them: one cue sheet and one file per track,
// multi-disc games with a playlist, sheets written on Windows. The sheet is
// the unit: its files move together, its FILE lines follow them, and a run
// killed in the middle of a disc is made whole by the next.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <map>

#include "RenameRunFixture.h"
#include "image/CueSheet.h"
#include "platform/FileOps.h"
#include "rename/FileActions.h"
#include "rename/JournalRecovery.h"
#include "rename/RenameJournal.h"
#include "rename/RenameUndo.h"
#include "support/RawSectors.h"

using namespace renamerun;
using testsupport::ListNames;
using testsupport::MakeDirs;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

// The files of a redump-style set: a PS1 data track as raw Mode 2 sectors and
// `audioTracks` tracks of audio, one file each, named "<base> (Track N).bin"
// (two digits from ten tracks on), and the sheet naming them.
std::map<std::string, std::string> RedumpSet(const std::string& base, const std::string& bootFile,
                                             int audioTracks) {
    const int tracks = 1 + audioTracks;
    auto trackName = [&](int track) {
        const std::string number = std::to_string(track);
        return base + " (Track " + (tracks >= 10 && track < 10 ? "0" : "") + number + ").bin";
    };
    testsupport::IsoBuilder disc;
    disc.AddFile("SYSTEM.CNF", testsupport::Ps1SystemCnf(bootFile));
    disc.AddFile(bootFile, "PS-X EXE");
    std::map<std::string, std::string> files;
    files[trackName(1)] =
        testsupport::ToRawSectors(disc.Build().bytes, testsupport::RawLayout::Raw2352Mode2);
    std::string sheet = "FILE \"" + trackName(1) + "\" BINARY\r\n  TRACK 01 MODE2/2352\r\n" +
                        "    INDEX 01 00:00:00\r\n";
    for (int track = 2; track <= tracks; ++track) {
        // Two seconds of pregap, then ten sectors of audio.
        files[trackName(track)] = std::string(2352 * 160, char('a' + track));
        const std::string number = (track < 10 ? "0" : "") + std::to_string(track);
        sheet += "FILE \"" + trackName(track) + "\" BINARY\r\n  TRACK " + number +
                 " AUDIO\r\n    INDEX 00 00:00:00\r\n    INDEX 01 00:02:00\r\n";
    }
    files[base + ".cue"] = sheet;
    return files;
}

void WriteAll(const std::string& folder, const std::map<std::string, std::string>& files) {
    for (const auto& [name, content] : files) WriteFile(folder + "/" + name, content);
}

class RecordedPlan final : public PlanSink {
public:
    void Add(const PlanStep& step) override { lines.push_back(PlanLine(step)); }
    std::vector<std::string> lines;
};

class DiscSetTest : public RenameRunTest {
protected:
    DiscSetTest() {
        WriteFile("games.csv", Record("SLPS00071", "Alpha", "", "", "PS1") +
                                   Record("SLPS00072", "Beta", "", "", "PS1") +
                                   Record("SLPS00081", "Saga Disc1", "", "", "PS1") +
                                   Record("SLPS00082", "Saga Disc2", "", "", "PS1") +
                                   Record("SLPS00091", "Delta Force", "", "", "PS1"));
    }

    RunSettings Ps1Settings() {
        RunSettings settings = Settings();
        settings.options.formula = "%n";
        settings.options.system = 1;
        return settings;
    }
};

}  // namespace

TEST_F(DiscSetTest, TheSheetIsTheUnitOfARedumpSet) {
    const auto alpha = RedumpSet("Alpha (USA)", "SLPS_000.71", 2);
    const auto beta = RedumpSet("Beta (Japan)", "SLPS_000.72", 11);  // twelve tracks
    WriteAll("scan", alpha);
    WriteAll("scan", beta);
    // A sheet named unlike its one data file, unquoted, with Windows
    // separators, a byte-order mark and lower-case keywords.
    WriteFile("scan/GAMMA.BIN", alpha.at("Alpha (USA) (Track 1).bin"));
    WriteFile("scan/gamma_disc.cue",
              "\xEF\xBB\xBF"
              "file C:\\rips\\GAMMA.BIN binary\r\n  track 01 mode2/2352\r\n"
              "    index 01 00:00:00\r\n");
    WriteFile("scan/gamma_disc.sbi", "subchannel");
    RunSettings settings = Ps1Settings();
    settings.options.writeBatch = true;
    RunRename(settings);

    std::vector<std::string> expected = {"Alpha (Track 1).bin", "Alpha (Track 2).bin",
                                         "Alpha (Track 3).bin", "Alpha.cue"};
    for (int track = 1; track <= 12; ++track) {
        expected.push_back("Beta (Track " + std::string(track < 10 ? "0" : "") +
                           std::to_string(track) + ").bin");
    }
    expected.push_back("Beta.cue");
    // The set of gamma_disc.cue is a third disc; it holds Alpha too, whose
    // names are taken, so that set stays as it was.
    for (const char* name : {"GAMMA.BIN", "gamma_disc.cue", "gamma_disc.sbi"}) {
        expected.push_back(name);
    }
    EXPECT_EQ(ListNames("scan"), expected);
    EXPECT_EQ(Counts(), "Discs:3 Renamed:2 Left:1");

    // Every byte of every data file is as it was; the sheet changed only in
    // its FILE names.
    EXPECT_EQ(ReadFile("scan/Alpha (Track 1).bin"), alpha.at("Alpha (USA) (Track 1).bin"));
    EXPECT_EQ(ReadFile("scan/Beta (Track 12).bin"), beta.at("Beta (Japan) (Track 12).bin"));
    std::string sheet = alpha.at("Alpha (USA).cue");
    for (int track = 1; track <= 3; ++track) {
        const std::string from = "Alpha (USA) (Track " + std::to_string(track) + ")";
        sheet.replace(sheet.find(from), from.size(), "Alpha (Track " + std::to_string(track) + ")");
    }
    EXPECT_EQ(ReadFile("scan/Alpha.cue"), sheet);
    EXPECT_NE(ReadFile("scan/Beta.cue").find("FILE \"Beta (Track 01).bin\" BINARY\r\n"),
              std::string::npos);
    // The batch has a line for the disc and one for each file named otherwise.
    EXPECT_TRUE(ReadFile("RenameBatch.bat")
                    .starts_with("\"Alpha (USA).*\" \"Alpha.*\"\r\n"
                                 "\"Alpha (USA) (Track 1).*\" \"Alpha (Track 1).*\"\r\n"));
}

TEST_F(DiscSetTest, UnquotedNamesAndPlaylistsFollowTheRename) {
    // Two discs of one game and the playlist listing their sheets.
    for (const auto& [disc, boot] :
         {std::pair{"Saga (Disc 1)", "SLPS_000.81"}, std::pair{"Saga (Disc 2)", "SLPS_000.82"}}) {
        auto files = RedumpSet(disc, boot, 1);
        WriteAll("scan", files);
    }
    WriteFile("scan/Saga.m3u", "#EXTM3U\r\nSaga (Disc 1).cue\r\nsaga (disc 2).CUE\nnotes.txt");
    // Images whose sheets write the name without quotes.
    for (const auto& [name, boot] :
         {std::pair{"beta", "SLPS_000.72"}, std::pair{"delta", "SLPS_000.91"}}) {
        testsupport::WriteDisc(std::string("scan/") + name + ".bin",
                               {{"SYSTEM.CNF", testsupport::Ps1SystemCnf(boot)}, {boot, "exe"}});
        WriteFile(std::string("scan/") + name + ".cue",
                  std::string("FILE ") + name + ".bin BINARY\n  TRACK 01 MODE1/2048\n");
    }
    RunRename(Ps1Settings());

    EXPECT_EQ(ReadFile("scan/Saga.m3u"), "#EXTM3U\r\nSaga Disc1.cue\r\nSaga Disc2.cue\nnotes.txt");
    EXPECT_EQ(ReadFile("scan/Beta.cue"), "FILE Beta.bin BINARY\n  TRACK 01 MODE1/2048\n");
    // A new name holding a blank gets the quotes it needs.
    EXPECT_EQ(ReadFile("scan/Delta Force.cue"),
              "FILE \"Delta Force.bin\" BINARY\n  TRACK 01 MODE1/2048\n");
}

TEST_F(DiscSetTest, SheetsAndPlaylistsNamingFilesInSubfolders) {
    // A sheet naming its image in a subfolder, Windows-style; a playlist
    // naming discs in a subfolder with either separator, and one beside its
    // disc that moves with it. No playlist is a disc of its own.
    MakeDirs("scan/build");
    MakeDirs("scan/discs");
    testsupport::WriteDisc(
        "scan/build/game.iso",
        {{"SYSTEM.CNF", testsupport::Ps1SystemCnf("SLPS_000.71")}, {"SLPS_000.71", "exe"}});
    WriteFile("scan/game.cue", "FILE \"build\\game.iso\" BINARY\r\n  TRACK 01 MODE1/2048\r\n");
    for (const auto& [disc, boot] :
         {std::pair{"Saga (Disc 1)", "SLPS_000.81"}, std::pair{"Saga (Disc 2)", "SLPS_000.82"}}) {
        WriteAll("scan/discs", RedumpSet(disc, boot, 0));
    }
    WriteFile("scan/Saga.m3u", "discs/Saga (Disc 1).cue\r\ndiscs\\Saga (Disc 2).cue\r\n");
    testsupport::WriteDisc(
        "scan/delta.iso",
        {{"SYSTEM.CNF", testsupport::Ps1SystemCnf("SLPS_000.91")}, {"SLPS_000.91", "exe"}});
    WriteFile("scan/delta.m3u", "delta.iso\n");
    RunSettings settings = Ps1Settings();
    settings.options.scanSubfolders = true;
    RunRename(settings);

    EXPECT_EQ(ReadFile("scan/Alpha.cue"),
              "FILE \"build\\Alpha.iso\" BINARY\r\n  TRACK 01 MODE1/2048\r\n");
    EXPECT_EQ(ListNames("scan/build"), std::vector<std::string>{"Alpha.iso"});
    EXPECT_EQ(ReadFile("scan/Saga.m3u"), "discs/Saga Disc1.cue\r\ndiscs\\Saga Disc2.cue\r\n");
    EXPECT_EQ(ReadFile("scan/Delta Force.m3u"), "Delta Force.iso\n");
    EXPECT_EQ(Counts(), "Discs:4 Renamed:4 Left:0");
    EXPECT_EQ(ReadFile("error_log.txt").find("Saga - "), std::string::npos);

    // A playlist that is a link out of the scan folder is not rewritten, and
    // the disc it names keeps its name.
    MakeDirs("elsewhere");
    WriteFile("elsewhere/Alpha.m3u", "Alpha.cue\n");
    ASSERT_EQ(symlink("../elsewhere/Alpha.m3u", "scan/Alpha.m3u"), 0);
    // A hard-linked sheet is not split from its other name: its set stays.
    testsupport::WriteDisc(
        "scan/beta.bin",
        {{"SYSTEM.CNF", testsupport::Ps1SystemCnf("SLPS_000.72")}, {"SLPS_000.72", "exe"}});
    const std::string betaSheet = "FILE beta.bin BINARY\n  TRACK 01 MODE1/2048\n";
    WriteFile("elsewhere/beta.cue", betaSheet);
    ASSERT_EQ(link("elsewhere/beta.cue", "scan/beta.cue"), 0);
    WriteFile("games.csv", Record("SLPS00071", "Alpha Two", "", "", "PS1") +
                               Record("SLPS00072", "Beta", "", "", "PS1"));
    RunRename(settings);
    EXPECT_EQ(ReadFile("elsewhere/Alpha.m3u"), "Alpha.cue\n");
    EXPECT_TRUE(platform::KindOf("scan/Alpha.cue") == platform::PathKind::File);
    EXPECT_EQ(ReadFile("scan/beta.cue"), betaSheet);
    EXPECT_TRUE(platform::KindOf("scan/beta.bin") == platform::PathKind::File);
    const std::string log = ReadFile("error_log.txt");
    EXPECT_NE(log.find("Alpha.m3u links outside the scan folder"), std::string::npos) << log;
    EXPECT_NE(log.find("(it has other names: hard links)"), std::string::npos) << log;
}

TEST_F(DiscSetTest, ACollisionInTheMiddleLeavesTheSetAsItWas) {
    const auto alpha = RedumpSet("Alpha (USA)", "SLPS_000.71", 3);
    WriteAll("scan", alpha);
    WriteFile("scan/Alpha (Track 3).bin", "someone else's file");
    const auto before = ListNames("scan");
    RunSettings settings = Ps1Settings();
    settings.options.writeBatch = true;
    RunRename(settings);
    EXPECT_EQ(ListNames("scan"), before);
    EXPECT_EQ(ReadFile("scan/Alpha (USA).cue"), alpha.at("Alpha (USA).cue"));
    EXPECT_EQ(ReadFile("scan/Alpha (Track 3).bin"), "someone else's file");
    EXPECT_TRUE(ReadFile("error_log.txt").ends_with(" : name exists\r\n"));
    EXPECT_EQ(ReadFile("RenameBatch.bat"), "");
    // The taken name is seen before the first move: nothing was begun, and
    // the journal holds no run to take back.
    EXPECT_TRUE(ReadJournal(RENAME_JOURNAL_FILE).runs.empty());
}

// Files may not grow past `limit` bytes during one run: with a tiny limit
// the journal cannot be written and nothing may move; with room for the
// journal but not for the (padded) sheet, the sheet's rewrite fails and the
// moves made before it are taken back.
TEST_F(DiscSetTest, AJournalOrSheetThatCannotBeWrittenMovesNothing) {
    for (const rlim_t limit : {rlim_t(8), rlim_t(16384)}) {
        platform::RemoveTree("scan");
        platform::DeleteFile(RENAME_JOURNAL_FILE);
        MakeDirs("scan");
        auto alpha = RedumpSet("Alpha (USA)", "SLPS_000.71", 1);
        alpha["Alpha (USA).cue"] += "REM " + std::string(65536, 'x') + "\r\n";
        WriteAll("scan", alpha);
        const auto before = ListNames("scan");
        host.messages.clear();
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved;
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit tiny = saved;
        tiny.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &tiny);
        const RunOutcome outcome = RunRename(Ps1Settings());
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, SIG_DFL);
        EXPECT_EQ(ListNames("scan"), before) << limit;
        EXPECT_EQ(ReadFile("scan/Alpha (USA).cue"), alpha.at("Alpha (USA).cue")) << limit;
        EXPECT_EQ(outcome,
                  limit == 8 ? RunOutcome::CompletedWithWriteFailures : RunOutcome::Completed)
            << limit;
        const JournalContents journal = ReadJournal(RENAME_JOURNAL_FILE);
        if (limit == 8) {
            // The run stops before its first move and says why.
            EXPECT_NE(Summary().text.find("<MessageBox/JOURNAL_NOT_WRITTEN> RenameJournal.txt"),
                      std::string::npos);
            EXPECT_TRUE(journal.runs.empty() || journal.runs[0].entries.empty());
        } else {
            ASSERT_EQ(journal.runs.size(), 1u);
            ASSERT_EQ(journal.runs[0].entries.size(), 1u);
            EXPECT_EQ(journal.runs[0].entries[0].state, JournalEntry::State::Undone);
            EXPECT_EQ(Counts(), "Discs:1 Renamed:0 Left:1");
            EXPECT_NE(ReadFile("error_log.txt").find(": cannot write Alpha.cue (File too large)"),
                      std::string::npos)
                << ReadFile("error_log.txt");
        }
    }
}

TEST_F(DiscSetTest, AnInterruptedDiscIsMadeWholeByTheNextRun) {
    const auto alpha = RedumpSet("Alpha (USA)", "SLPS_000.71", 1);
    WriteAll("scan", alpha);
    // A run killed after the first of three moves: its journal entry is open.
    WriteFile(RENAME_JOURNAL_FILE,
              "run\t1\t2026-12-08T10:00:00Z\tscan\r\n"
              "disc\t1\t1\tscan/Alpha (USA)\r\n"
              "move\tscan/Alpha (USA) (Track 1).bin\tscan/Alpha (Track 1).bin\r\n"
              "move\tscan/Alpha (USA) (Track 2).bin\tscan/Alpha (Track 2).bin\r\n"
              "move\tscan/Alpha (USA).cue\tscan/Alpha.cue\r\n"
              "rewrite\tcue\tscan/Alpha.cue\tAlpha (USA) (Track 1).bin\tAlpha (Track 1).bin\r\n"
              "rewrite\tcue\tscan/Alpha.cue\tAlpha (USA) (Track 2).bin\tAlpha (Track 2).bin\r\n");
    ASSERT_EQ(rename("scan/Alpha (USA) (Track 1).bin", "scan/Alpha (Track 1).bin"), 0);
    RunRename(Ps1Settings());
    EXPECT_EQ(ListNames("scan"), (std::vector<std::string>{"Alpha (Track 1).bin",
                                                           "Alpha (Track 2).bin", "Alpha.cue"}));
    EXPECT_NE(ReadFile("scan/Alpha.cue").find("FILE \"Alpha (Track 2).bin\""), std::string::npos);
    EXPECT_EQ(host.messages.front().text,
              "<MessageBox/INTERRUPTED_RENAMES>\nscan/Alpha (USA) (<MessageBox/RENAME_COMPLETED>)");

    // When the rest cannot be done any more, what was done is taken back.
    platform::RemoveTree("scan");
    MakeDirs("scan");
    WriteAll("scan", alpha);
    WriteFile("scan/Alpha (Track 2).bin", "taken meanwhile");
    WriteFile(RENAME_JOURNAL_FILE,
              "run\t1\t2026-12-08T10:00:00Z\tscan\r\n"
              "disc\t1\t1\tscan/Alpha (USA)\r\n"
              "move\tscan/Alpha (USA) (Track 1).bin\tscan/Alpha (Track 1).bin\r\n"
              "move\tscan/Alpha (USA) (Track 2).bin\tscan/Alpha (Track 2).bin\r\n");
    ASSERT_EQ(rename("scan/Alpha (USA) (Track 1).bin", "scan/Alpha (Track 1).bin"), 0);
    DiskFileActions disk;
    const JournalRecovery finished = FinishOpenEntries(RENAME_JOURNAL_FILE, disk, nullptr);
    ASSERT_EQ(finished.entries.size(), 1u);
    EXPECT_EQ(finished.entries[0].finished, RenameTransaction::Finished::TakenBack);
    EXPECT_EQ(ReadFile("scan/Alpha (USA) (Track 1).bin"), alpha.at("Alpha (USA) (Track 1).bin"));
    EXPECT_TRUE(FinishOpenEntries(RENAME_JOURNAL_FILE, disk, nullptr).entries.empty());
}

TEST_F(DiscSetTest, TheJournalKeepsTheLastRuns) {
    testsupport::WriteDisc("scan/a.iso", {{"SYSTEM.CNF", testsupport::Ps1SystemCnf("SLPS_000.71")},
                                          {"SLPS_000.71", "exe"}});
    // Each run renames the disc back and forth; a run that finds it named
    // already renames nothing and is not kept at all.
    for (int run = 0; run < int(JOURNAL_RUNS_KEPT) + 2; ++run) {
        RunSettings settings = Ps1Settings();
        settings.options.formula = run % 2 == 0 ? "%n" : "%n [%i]";
        RunRename(settings);
        RunRename(settings);
    }
    const JournalContents journal = ReadJournal(RENAME_JOURNAL_FILE);
    ASSERT_EQ(journal.runs.size(), JOURNAL_RUNS_KEPT);
    EXPECT_EQ(journal.RealRuns().size(), JOURNAL_RUNS_KEPT);
    EXPECT_EQ(journal.runs.front().number, 3);
    EXPECT_EQ(journal.runs.back().number, std::int64_t(JOURNAL_RUNS_KEPT) + 2);
}

// The reader of the image and the rename take one reading of a sheet: a set is
// renamed only into a sheet that reads back as naming the renamed files, and
// taking the run back gives the sheet back byte for byte. Sheets the fuzzing
// of the rewrite found hard: a name with a blank and no quotes, a quote inside
// an unquoted name with a folder part, one file named with and without quotes,
// lines longer than sheets are read in.
TEST_F(DiscSetTest, EverySheetIsReadAndRewrittenAlikeAndComesBackByteForByte) {
    const std::string image = RedumpSet("x", "SLPS_000.71", 0).at("x (Track 1).bin");
    const std::string track = "\r\n  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\n";
    struct Case {
        std::string data;  // the data file's name
        std::string sheet;
        std::string renamedData;  // its name after the run; empty: not renamed
    };
    const std::vector<Case> cases = {
        {"My Game.bin", "FILE My Game.bin BINARY" + track, "Alpha.bin"},
        {"MyGame.bin", "FILE .\\My\"Game\".bin BINARY" + track, "Alpha.bin"},
        {"g.bin",
         "FILE \"g.bin\" BINARY" + track +
             "FILE g.bin BINARY\r\n  TRACK 02 AUDIO\r\n"
             "    INDEX 01 00:00:00\r\n",
         "Alpha.bin"},
        {"g.bin", "REM " + std::string(700, 'r') + "\r\nFILE \"g.bin\" BINARY" + track,
         "Alpha.bin"},
        // Renamed, the FILE line would pass the length of a line and lose its
        // type: the set is left as it is.
        {"g.bin", "FILE \"g.bin\"" + std::string(490, ' ') + " BINARY" + track, ""},
    };
    for (const Case& c : cases) {
        platform::RemoveTree("scan");
        platform::DeleteFile(RENAME_JOURNAL_FILE);
        platform::DeleteFile("error_log.txt");
        MakeDirs("scan");
        // The disc is read from its data file; the sheet goes with it.
        const std::string sheetName = c.data.substr(0, c.data.rfind('.')) + ".cue";
        WriteFile("scan/" + c.data, image);
        WriteFile("scan/" + sheetName, c.sheet);
        RunSettings settings = Ps1Settings();
        settings.options.formula = c.renamedData.empty() ? "%n Of A Longer Name" : "%n";
        RunRename(settings);
        const std::vector<std::string> before = {c.data, sheetName};
        if (c.renamedData.empty()) {
            EXPECT_EQ(ListNames("scan"), before);
            EXPECT_EQ(ReadFile("scan/" + sheetName), c.sheet);
            EXPECT_NE(ReadFile("error_log.txt").find("cannot be rewritten safely"),
                      std::string::npos);
            continue;
        }
        ASSERT_EQ(ListNames("scan"), (std::vector<std::string>{"Alpha.bin", "Alpha.cue"}))
            << c.sheet;
        const CueSheet renamed(ReadFile("scan/Alpha.cue"));
        ASSERT_FALSE(renamed.Files().empty());
        for (const CueFile& file : renamed.Files()) {
            EXPECT_EQ(CueFileLeaf(file.name), c.renamedData) << c.sheet;
        }
        EXPECT_EQ(renamed.Layout().accepted, CueSheet(c.sheet).Layout().accepted) << c.sheet;
        RecordedPlan plan;
        EXPECT_EQ(UndoRenameRun({RENAME_JOURNAL_FILE, 1, false}, plan).result,
                  UndoReport::Result::TakenBack);
        EXPECT_EQ(ListNames("scan"), before);
        EXPECT_EQ(ReadFile("scan/" + sheetName), c.sheet);
    }
}
