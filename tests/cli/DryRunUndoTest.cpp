// rename --dry-run and undo as a user runs them: the plan a dry run prints is
// what the real run then does, and undo gives back every name and byte.
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "OrvaneCliFixture.h"

using clitest::OrvaneCliTest;
using clitest::Result;
using testsupport::ListNames;
using testsupport::MakeDirs;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

// Every file and folder below `root`, by path relative to the start-up
// directory (folders end in '/'), with the bytes of each file.
std::map<std::string, std::string> Tree(const std::string& start, const std::string& root) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(start + "/" + root)) {
        const std::string path = std::filesystem::relative(entry.path(), start).string();
        if (entry.is_directory()) {
            tree[path + "/"] = "";
        } else {
            tree[path] = ReadFile(entry.path().string());
        }
    }
    return tree;
}

std::vector<std::vector<std::string>> Lines(const std::string& text) {
    std::vector<std::vector<std::string>> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos;
             start = tab + 1) {
            fields.push_back(line.substr(start, tab - start));
        }
        fields.push_back(line.substr(start));
        lines.push_back(fields);
    }
    return lines;
}

// `path` moved from `from` to `to` when it is `from` or below it.
std::string MovedPath(const std::string& path, const std::string& from, const std::string& to) {
    if (path == from) return to;
    if (path.starts_with(from + "/")) return to + path.substr(from.size());
    return path;
}

class DryRunUndoTest : public OrvaneCliTest {
protected:
    // The start-up directory's entries, but the file the fixture keeps stderr in.
    std::vector<std::string> StartFiles() const {
        std::vector<std::string> names = ListNames(dir.Path());
        std::erase(names, "err.txt");
        return names;
    }

    DryRunUndoTest() {
        WriteFile(dir / "games.csv",
                  "SLPM65001;First Game;;;;;;PS2;;\r\n"
                  "SLPM65002;Saga Disc1;;;;;;PS2;;\r\n"
                  "SLPM65003;Saga Disc2;;;;;;PS2;;\r\n"
                  "SLPM65004;Fourth;;;;;;PS2;;\r\n"
                  "SLPM65005;Fifth;;;;;;PS2;;\r\n"
                  "SLPM65006;Sixth;;;;;;PS2;;\r\n");
        for (const char* name : {"games/a.iso", "games/b.iso", "games/readme.txt"}) {
            std::filesystem::remove(dir / name);
        }
        // A set of a data track and an audio track, in a folder of its own.
        MakeDirs(dir / "games/set1");
        CueSet("games/set1/alpha", "SLPM_650.01");
        // Two discs of one game, sheets naming their image without quotes,
        // and the playlist listing the sheets.
        MakeDirs(dir / "games/saga");
        for (const auto& [name, boot] :
             {std::pair{"saga1", "SLPM_650.02"}, std::pair{"saga2", "SLPM_650.03"}}) {
            Disc(std::string("games/saga/") + name + ".bin", boot);
            WriteFile(dir / "games/saga/" + name + ".cue",
                      std::string("FILE ") + name + ".bin BINARY\r\n  TRACK 01 MODE1/2048\r\n");
        }
        WriteFile(dir / "games/saga/saga.m3u", "saga1.cue\r\nsaga2.cue\r\n");
        // A disc whose second file cannot take the new name: it keeps its own.
        Disc("games/d.iso", "SLPM_650.06");
        WriteFile(dir / "games/d.txt", "notes");
        MakeDirs(dir / "games/Sixth.txt");
        Disc("games/e.iso", "SLPM_650.04");
    }

    // A cue sheet `base`.cue with a data track and an audio track, one file each.
    void CueSet(const std::string& base, const std::string& bootFile) {
        const std::string name = std::filesystem::path(base).filename().string();
        Disc(base + " (Track 1).bin", bootFile);
        WriteFile(dir / base + " (Track 2).bin", std::string(2352 * 4, 'a'));
        WriteFile(dir / base + ".cue", "FILE \"" + name +
                                           " (Track 1).bin\" BINARY\r\n  TRACK 01 MODE1/2048\r\n"
                                           "    INDEX 01 00:00:00\r\nFILE \"" +
                                           name +
                                           " (Track 2).bin\" BINARY\r\n  TRACK 02 AUDIO\r\n"
                                           "    INDEX 01 00:00:00\r\n");
    }

    Result Rename(const std::string& extra = "") {
        return Run(
            "rename --folder games --database games.csv --system PS2 --formula '%n' "
            "--list-format '%n' --subfolders --rename-folders --dates --batch "
            "--language English" +
            extra);
    }
};

}  // namespace

TEST_F(DryRunUndoTest, TheDryRunPrintsWhatTheRunThenDoes) {
    // A disc not in the database, a file that is no disc, two discs that
    // map to one name, and a set one of whose new names is taken.
    Disc("games/unknown.iso", "SLPM_699.99");
    WriteFile(dir / "games/readme.txt", "x");
    Disc("games/f.iso", "SLPM_650.04");
    CueSet("games/c", "SLPM_650.05");
    WriteFile(dir / "games/Fifth (Track 2).bin", "someone else's");
    const auto before = Tree(dir.Path(), "games");
    const auto startFiles = StartFiles();

    const Result dry = Rename(" --dry-run");
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(Tree(dir.Path(), "games"), before);
    // No journal, list, log or batch.
    EXPECT_EQ(StartFiles(), startFiles);

    const Result real = Rename();
    ASSERT_EQ(real.status, 0) << real.err;
    // The dry run's counts are the run's, on stderr: stdout is the plan's.
    std::string counts = clitest::LastLine(real.err);
    counts =
        counts.substr(0, counts.find(';')).replace(counts.find("Renamed:"), 8, "Would rename:");
    EXPECT_EQ(clitest::LastLine(dry.err), counts) << real.err;

    // The plan applied to the collection as it was gives the collection now.
    std::map<std::string, std::string> expected = before;
    std::set<std::string> rewritten;
    std::set<std::string> skipped;
    for (const auto& line : Lines(dry.out)) {
        ASSERT_GE(line.size(), 2u) << dry.out;
        if (line[0] == "rename" || line[0] == "folder") {
            ASSERT_EQ(line.size(), 3u);
            std::map<std::string, std::string> moved;
            for (const auto& [path, bytes] : expected) {
                const bool isFolder = path.ends_with("/");
                const std::string bare = isFolder ? path.substr(0, path.size() - 1) : path;
                moved[MovedPath(bare, line[1], line[2]) + (isFolder ? "/" : "")] = bytes;
            }
            for (std::set<std::string> paths = rewritten; const std::string& path : paths) {
                rewritten.erase(path);
                rewritten.insert(MovedPath(path, line[1], line[2]));
            }
            EXPECT_EQ(moved.size(), expected.size()) << line[1];
            expected = moved;
        } else if (line[0] == "rewrite") {
            rewritten.insert(line[1]);
        } else {
            ASSERT_EQ(line[0], "skip");
            ASSERT_EQ(line.size(), 3u);
            skipped.insert(line[1] + " | " + line[2]);
        }
    }
    const auto after = Tree(dir.Path(), "games");
    ASSERT_EQ(
        ListNames(dir / "games"),
        (std::vector<std::string>{"Fifth (Track 2).bin", "First Game", "Fourth.iso", "Saga",
                                  "Sixth.iso", "Sixth.txt", "c (Track 1).bin", "c (Track 2).bin",
                                  "c.cue", "d.txt", "f.iso", "readme.txt", "unknown.iso"}));
    EXPECT_EQ(after.size(), expected.size());
    for (const auto& [path, bytes] : after) {
        ASSERT_TRUE(expected.count(path)) << path;
        if (rewritten.count(path)) {
            EXPECT_NE(bytes, expected.at(path)) << path;
        } else {
            EXPECT_EQ(bytes, expected.at(path)) << path;
        }
    }
    EXPECT_EQ(rewritten,
              (std::set<std::string>{"games/First Game/First Game.cue", "games/Saga/Saga Disc1.cue",
                                     "games/Saga/Saga Disc2.cue", "games/Saga/saga.m3u"}));
    EXPECT_EQ(skipped, (std::set<std::string>{"games/Fifth (Track 2) | no identifier",
                                              "games/c | collision", "games/d.txt | collision",
                                              "games/f | collision", "games/readme | no identifier",
                                              "games/unknown | not in database"}));
    // Each skipped disc is in the run's error log.
    const std::string log = ReadFile(dir / "error_log.txt");
    for (const char* disc :
         {"games/Fifth (Track 2)", "games/c", "games/f", "games/readme", "games/unknown"}) {
        EXPECT_NE(log.find(disc), std::string::npos) << disc;
    }
}

// A dry run recovers nothing, removes nothing and leaves no extraction behind.
TEST_F(DryRunUndoTest, ADryRunLeavesEverythingAsItIs) {
    MakeDirs(dir / "tmp/Kelvane-2147483646-Ab12Cd");  // of a killed run
    WriteFile(dir / "games/d.iso.orvane-tmp-2147483646-0", "stray");
    WriteFile(dir / "error_log.txt", "");
    WriteFile(dir / "error_log.txt.orvane-tmp-2147483646-0", "stray");
    if (testsupport::HaveTool("zip")) {
        MakeDirs(dir / "games/zipped");
        Disc("games/zipped/g.iso", "SLPM_650.04");
        ASSERT_EQ(testsupport::RunCommand("cd " + testsupport::ShellQuote(dir / "games/zipped") +
                                          " && zip -q g.zip g.iso && rm g.iso"),
                  0);
    }
    // A run killed in the middle of a disc.
    const std::string journal =
        "run\t1\t2026-12-08T10:00:00Z\tgames\r\ndisc\t1\t1\tgames/e\r\n"
        "move\tgames/e.iso\tgames/Fourth.iso\r\n";
    WriteFile(dir / "RenameJournal.txt", journal);
    const auto before = Tree(dir.Path(), "games");
    const auto startFiles = StartFiles();
    const auto tmpFiles = ListNames(dir / "tmp");

    const Result dry = Run("TMPDIR=" + testsupport::ShellQuote(dir / "tmp") + " " +
                               testsupport::ShellQuote(ORVANE_CLI_PATH) +
                               " rename --dry-run --folder games --database games.csv --system PS2 "
                               "--formula '%n' --list-format '%n' --subfolders --language English",
                           "env");
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(Tree(dir.Path(), "games"), before);
    EXPECT_EQ(StartFiles(), startFiles);
    EXPECT_EQ(ListNames(dir / "tmp"), tmpFiles);
    EXPECT_EQ(ReadFile(dir / "RenameJournal.txt"), journal);
    EXPECT_NE(dry.err.find("A rename run makes each whole again before it looks at anything else, "
                           "so the plan may differ for them:\ngames/e\n"),
              std::string::npos)
        << dry.err;
    if (testsupport::HaveTool("zip")) {
        EXPECT_NE(dry.out.find("rename\tgames/zipped/g.zip\tgames/zipped/Fourth.zip\n"),
                  std::string::npos)
            << dry.out;
    }
}

TEST_F(DryRunUndoTest, UndoGivesBackEveryNameAndByte) {
    const auto before = Tree(dir.Path(), "games");
    ASSERT_EQ(Rename().status, 0);
    const auto renamed = Tree(dir.Path(), "games");
    ASSERT_NE(renamed, before);
    ASSERT_TRUE(renamed.count("games/Saga/Saga Disc1.cue"));

    const Result plan = Run("undo --dry-run");
    EXPECT_EQ(plan.status, 0) << plan.err;
    EXPECT_EQ(Tree(dir.Path(), "games"), renamed);
    const Result undo = Run("undo");
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(Tree(dir.Path(), "games"), before);
    // The dry run told exactly what undo did.
    EXPECT_EQ(undo.out, plan.out);
    EXPECT_NE(undo.out.find("folder\tgames/Saga\tgames/saga\n"), std::string::npos) << undo.out;
    EXPECT_NE(undo.out.find("rewrite\tgames/saga/Saga Disc1.cue\n"), std::string::npos);
    EXPECT_NE(undo.out.find("rename\tgames/Sixth.iso\tgames/d.iso\n"), std::string::npos);
    EXPECT_EQ(undo.out.find("d.txt"), std::string::npos) << "d.txt kept its name";
    EXPECT_EQ(undo.err.rfind("Run 1 of ", 0), 0u) << undo.err;

    const Result again = Run("undo");
    EXPECT_EQ(again.status, 2);
    EXPECT_NE(again.err.find("was taken back already"), std::string::npos) << again.err;
    EXPECT_EQ(again.out, "");

    // A name taken since: that disc stays renamed, whole; the rest goes back.
    ASSERT_EQ(Rename().status, 0);
    WriteFile(dir / "games/e.iso", "another file");
    const Result blocked = Run("undo");
    EXPECT_EQ(blocked.status, 1) << blocked.err;
    EXPECT_NE(blocked.out.find("skip\tgames/Fourth.iso\told name taken\n"), std::string::npos)
        << blocked.out;
    EXPECT_EQ(ReadFile(dir / "games/e.iso"), "another file");
    EXPECT_TRUE(std::filesystem::exists(dir / "games/set1/alpha.cue"));
    // Once the way is clear, undo takes back what is left.
    std::filesystem::remove(dir / "games/e.iso");
    const Result rest = Run("undo");
    EXPECT_EQ(rest.status, 0) << rest.err;
    EXPECT_EQ(rest.out, "rename\tgames/Fourth.iso\tgames/e.iso\n");
    EXPECT_EQ(Tree(dir.Path(), "games"), before);

    EXPECT_EQ(Run("undo --run 3").status, 2);
    EXPECT_NE(Run("undo --run 2").err.find("was taken back already"), std::string::npos);
    std::filesystem::remove(dir / "RenameJournal.txt");
    const Result none = Run("undo");
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.err,
              "orvane-cli: no rename run to take back, there is no journal: "
              "RenameJournal.txt\n");
    for (const char* usage :
         {"undo --run 0", "undo --run x", "undo --folder games", "undo --save", "list --dry-run",
          "rename --run 1", "rename --dry-run --save", "undo --run"}) {
        EXPECT_EQ(Run(usage).status, 64) << usage;
    }
}
