// What orvane-cli tells, and where: JSON lines for scripts, the names the
// width options give, a status of its own for a run that matched nothing,
// and escape sequences only for a terminal that takes them.
#include <nlohmann/json.hpp>
#include <sstream>

#include "OrvaneCliFixture.h"

using clitest::LastLine;
using clitest::OrvaneCliTest;
using clitest::Result;
using testsupport::MakeDirs;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

std::vector<nlohmann::json> JsonLines(const std::string& text) {
    std::vector<nlohmann::json> objects;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        objects.push_back(nlohmann::json::parse(line));
    }
    return objects;
}

const std::string RENAME =
    " --folder games --database games.csv --system PS2 --formula '%n' --list-format '%n'";

}  // namespace

// Each command gives one object per disc, in the order it came to them, then
// the summary; every path is a full one, with its extension.
TEST_F(OrvaneCliTest, JsonLinesTellEveryDiscWithItsFilesAndTheSummary) {
    const struct {
        std::string arguments;
        std::vector<std::string> results;
        const char* count;  // a count of the summary, which is 2
    } commands[] = {
        {"rename -n --json" + RENAME, {"would_rename", "would_rename", "no_identifier"}, "renamed"},
        {"rename --json" + RENAME, {"renamed", "renamed", "no_identifier"}, "renamed"},
        // In the order of their new names.
        {"rename --json" + RENAME,
         {"already_named", "no_identifier", "already_named"},
         "already_named"},
        {"undo -n --json", {"would_take_back", "would_take_back"}, "files"},
        {"undo --json", {"taken_back", "taken_back"}, "files"},
        {"list --json --folder games --system PS2 --database new.csv",
         {"listed", "listed", "not_listed"},
         "listed"},
    };
    for (const auto& [arguments, results, count] : commands) {
        const Result result = Run(arguments);
        EXPECT_EQ(result.status, 0) << arguments << result.err;
        EXPECT_EQ(result.err.find('\033'), std::string::npos) << "no terminal, no escapes";
        const std::vector<nlohmann::json> objects = JsonLines(result.out);
        ASSERT_EQ(objects.size(), results.size() + 1) << arguments << result.out;
        for (std::size_t i = 0; i < results.size(); ++i) {
            EXPECT_EQ(objects[i]["type"], "disc") << arguments;
            EXPECT_EQ(objects[i]["result"], results[i]) << arguments;
            ASSERT_FALSE(objects[i]["files"].empty()) << arguments;
            for (const auto& file : objects[i]["files"]) {
                for (const char* key : {"old", "new"}) {
                    const std::string path = file[key];
                    EXPECT_EQ(path.rfind(dir / "games/", 0), 0u) << path;
                    EXPECT_TRUE(path.ends_with(".iso") || path.ends_with(".txt")) << path;
                }
            }
        }
        const nlohmann::json& summary = objects.back();
        EXPECT_EQ(summary["type"], "summary");
        EXPECT_EQ(summary[count], 2) << arguments << summary;
        EXPECT_EQ(summary["exit_status"], 0);
        EXPECT_TRUE(summary["error"].is_null());
    }

    // The first disc of a run, as a script reads it.
    const nlohmann::json disc = JsonLines(Run("rename --json" + RENAME).out).front();
    EXPECT_EQ(disc["path"], dir / "games/a");
    EXPECT_EQ(disc["identifier"], "SLPM65001");
    EXPECT_EQ(disc["files"],
              nlohmann::json::parse("[{\"old\":\"" + dir / "games/a.iso" + "\",\"new\":\"" +
                                    dir / "games/First Game.iso" + "\",\"reason\":\"\"}]"));

    // A refused command still ends with its summary.
    const Result refused = Run("rename --json --folder games --system PS2 --formula %n");
    EXPECT_EQ(refused.status, 2);
    const nlohmann::json error = JsonLines(refused.out).back();
    EXPECT_EQ(error["exit_status"], 2);
    EXPECT_EQ(error["error"],
              "no database given: --database FILE (--save keeps it in Setting.ini)");
}

// Each width option gives its class the full-width form whatever width the
// database wrote it in, the special one changes nothing, and a name that
// would begin with '.' begins with a visible full-width dot instead. A dry
// run needs no list format.
TEST_F(OrvaneCliTest, WidthOptionsNameAsTheirRulesSay) {
    WriteFile(dir / "games.csv",
              "SLPM65001;Ａｂ１ 2-;;;;;;PS2;;\r\nSLPM65002;.hack//Infection;;;;;;PS2;;\r\n");
    const std::string dotHack = "．hack／／Infection";
    const struct {
        std::string option;
        std::string name;
        std::string otherName;
    } cases[] = {
        {"", "Ab1 2-", dotHack},
        {"--full-width-special", "Ab1 2-", dotHack},
        {"--full-width-digits", "Ab１ ２-", dotHack},
        {"--check 6=1", "Ab１ ２-", dotHack},
        {"--full-width-letters", "Ａｂ1 2-", "．ｈａｃｋ／／Ｉｎｆｅｃｔｉｏｎ"},
        {"--full-width-spaces", "Ab1　2-", dotHack},
        {"--full-width-punctuation", "Ab1 2－", dotHack},
        {"--full-width-digits --full-width-digits=0", "Ab1 2-", dotHack},
    };
    for (const auto& [option, name, otherName] : cases) {
        const Result plan = Run(
            "rename -n --folder games --database games.csv --system PS2 --formula %n " + option);
        EXPECT_EQ(plan.out, "rename\tgames/a.iso\tgames/" + name +
                                ".iso\nrename\tgames/b.iso\tgames/" + otherName +
                                ".iso\nskip\tgames/readme\tno identifier\n")
            << option;
    }
}

// A run whose discs are none of them in the database did nothing a script
// should take for done: it has exit status 3, and the summary says why.
TEST_F(OrvaneCliTest, ARunThatMatchedNothingSaysWhy) {
    WriteFile(dir / "other.csv", "SLPM69999;Other Game;;;;;;PS2;;\r\n");
    MakeDirs(dir / "nested/deeper");
    Disc("nested/deeper/c.iso", "SLPM_650.01");
    const struct {
        std::string arguments;
        int status;
        std::string said;
    } cases[] = {
        {"--folder games --database games.csv --system PS1", 3,
         "The database games.csv holds no record of PS1: is the system right?"},
        {"--folder games --database other.csv --system PS2", 3,
         "None of the 2 identified discs is in the database: is the system right?"},
        {"--folder nested --database games.csv --system PS2", 3,
         "Only the sub-folders of the folder hold discs, and they were not scanned: tick Scan "
         "Subdirectories (orvane-cli: --subfolders)."},
        {"--folder nested --database games.csv --system PS2 --subfolders", 0, "Would rename:1"},
    };
    for (const auto& [arguments, status, said] : cases) {
        const Result result = Run("rename -n --formula %n " + arguments);
        EXPECT_EQ(result.status, status) << arguments << result.err;
        EXPECT_NE(LastLine(result.err).find(said), std::string::npos) << result.err;
    }
}

// A terminal gets the progress bar, unless it is a dumb one.
TEST_F(OrvaneCliTest, OnlyATerminalThatTakesThemGetsEscapeSequences) {
    for (const auto& [term, escapes] : {std::pair{"xterm", true}, std::pair{"dumb", false}}) {
        std::string shown;
        ASSERT_EQ(
            testsupport::RunCommand(
                "cd " + testsupport::ShellQuote(dir.Path()) + " && TERM=" + term + " script -qec " +
                    testsupport::ShellQuote(testsupport::ShellQuote(ORVANE_CLI_PATH) +
                                            " rename -n" + RENAME) +
                    " /dev/null </dev/null",
                &shown),
            0);
        EXPECT_EQ(shown.find("\033[K") != std::string::npos, escapes) << term << shown;
        EXPECT_NE(shown.find("Finished.  Discs:3 Would rename:2 Not renamed:1"), std::string::npos)
            << shown;
    }
}
