// orvane-cli as a user runs it: a start-up directory with a collection, the
// program started as a process.
#include "OrvaneCliFixture.h"

using clitest::LastLine;
using clitest::OrvaneCliTest;
using clitest::Result;
using testsupport::ListNames;
using testsupport::ReadFile;
using testsupport::ShellQuote;
using testsupport::WriteFile;

// A run prints one line on stderr, its summary, which names the error log and
// the lists when the run added to them; nothing goes to stdout.
TEST_F(OrvaneCliTest, RenamesTheCollectionAndPrintsTheSummary) {
    const std::string rename =
        "rename --folder games --database games.csv --system PS2 --formula '%n [%i]' "
        "--list-format '%n' --language English --batch";
    const Result result = Run(rename);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(ListNames(dir / "games"),
              (std::vector<std::string>{"First Game [SLPM65001].iso", "Second Game [SLPM65002].iso",
                                        "readme.txt"}));
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err,
              "Finished.  Discs:3 Renamed:2 Not renamed:1; The error log has new lines: " +
                  dir / "error_log.txt" + "; The have and miss lists hold new discs: " +
                  dir / "Have list (PS2).txt" + ", " + dir / "Miss list (PS2).txt\n");
    EXPECT_EQ(ReadFile(dir / "Have list (PS2).txt"),
              "Number of Discs in database:2 You have:2\r\n\r\nFirst Game\r\nSecond Game\r\n");
    EXPECT_EQ(ReadFile(dir / "RenameBatch.bat"),
              "\"a.*\" \"First Game [SLPM65001].*\"\r\n\"b.*\" \"Second Game [SLPM65002].*\"\r\n");
    // Nothing of the configuration is written without --save.
    EXPECT_EQ(
        ListNames(dir.Path()),
        (std::vector<std::string>{"Have list (PS2).txt", "HaveID (PS2).dat", "Miss list (PS2).txt",
                                  "RenameBatch.bat", "RenameJournal.txt", "err.txt",
                                  "error_log.txt", "games", "games.csv"}));

    // Run again, the discs have their names: counted apart, not journalled,
    // and the lists have no news. -v shows each step.
    const std::string journal = ReadFile(dir / "RenameJournal.txt");
    const Result again = Run(rename + " -v");
    EXPECT_EQ(again.status, 0);
    EXPECT_NE(again.err.find("Identifying : games/First Game [SLPM65001]\n"), std::string::npos)
        << again.err;
    EXPECT_EQ(LastLine(again.err),
              "Finished.  Discs:3 Renamed:0 Already named:2 Not renamed:1; The error log has new "
              "lines: " +
                  dir / "error_log.txt");
    EXPECT_EQ(ReadFile(dir / "RenameJournal.txt"), journal);
    // -q: nothing but errors.
    const Result quiet = Run(rename + " -q");
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err + quiet.out, "");
}

TEST_F(OrvaneCliTest, SaveStoresThePresetAndSettingsForTheNextRun) {
    testsupport::MakeDirs(dir / "preset");
    EXPECT_EQ(Run("list --folder games --database new.csv --system PS2 --preset Mine --save "
                  "--search-archives")
                  .status,
              0);
    EXPECT_NE(ReadFile(dir / "preset/Mine.ini").find("0=games\r\n"), std::string::npos);
    EXPECT_NE(ReadFile(dir / "Setting.ini").find("CurrentPreset=Mine\r\n"), std::string::npos);
    // The next start remembers folder, system and database from the files.
    EXPECT_EQ(Run("list").status, 0);
    const std::string twoLines = "SLPM65001;games/a;;;;;;PS2;;\r\nSLPM65002;games/b;;;;;;PS2;;\r\n";
    EXPECT_EQ(ReadFile(dir / "new.csv"), twoLines + twoLines);
}

// A refused input is an error on stderr that names the value refused, or
// the option when none was given; nothing goes to stdout.
TEST_F(OrvaneCliTest, ExitStatusTellsInputChecksAndUsageErrorsApart) {
    const std::string options = " --language English";
    const std::string given = " --database games.csv --formula %n";
    const struct {
        std::string arguments;
        std::string error;
    } refusals[] = {
        {"rename --folder missing --system PS2 --list-format x" + given,
         "The folder to scan does not exist. Choose an existing folder.: missing"},
        {"rename --folder games/a.iso --system PS2 --list-format x" + given,
         "This is a file, not a folder. Choose the folder that holds the discs.: games/a.iso"},
        {"rename --folder games --list-format x" + given, "Choose PS1, PS2 or PSP.: --system"},
        {"rename --folder games --system PS2 --list-format ''" + given,
         "for example %n [%i].: --list-format"},
        {"add-record --add-file gone.csv --database games.csv",
         "The database file to add was not found.: gone.csv"},
        // Never guessed, though games.csv is there.
        {"list --folder games --system PS2",
         "no database given: --database FILE (--save keeps it in Setting.ini)"},
        {"rename --folder games --system PS2 --database readme.txt --formula %n",
         "(one game per line, fields ended by ;): readme.txt"},
        // Formulas that would name every disc wrongly, before anything is looked at.
        {"rename --folder missing --database games.csv --formula ''",
         "The renaming formula is empty: no disc would get a name.: --formula"},
        {"rename --folder missing --database games.csv --formula '%n %x'",
         "%x, which stands for no field (the placeholders are %i %n %l %s %v %L %d %m %r %z "
         "%e).: %n %x"},
        {"rename --dry-run --folder missing --database games.csv --formula '%n [%i'",
         "looks cut short at [ (a bracket without its pair, or a % at the end).: %n [%i"},
    };
    WriteFile(dir / "readme.txt", "no database");
    for (const auto& [arguments, error] : refusals) {
        const Result refused = Run(arguments + options);
        EXPECT_EQ(refused.status, 2) << arguments;
        EXPECT_EQ(refused.out, "") << arguments;
        const std::string last = LastLine(refused.err);
        EXPECT_EQ(last.rfind("orvane-cli: ", 0), 0u) << refused.err;
        EXPECT_EQ(last.substr(last.size() - std::min(last.size(), error.size())), error) << last;
    }

    for (const char* usage :
         {"", "rename --system PS4", "rename --check 12=1", "rename --check 1", "rename --bogus",
          "rename list", "rename --folder", "rename --preset Nope", "rename --language Klingon",
          "rename -q -v", "add-record --json", "list -n", "rename -x", "rename --dates=2",
          "rename --preset '' --save", "rename --preset . --save", "rename --preset .. --save",
          "rename --preset ../x --save", "rename --preset a/b --save"}) {
        const Result result = Run(usage);
        EXPECT_EQ(result.status, 64) << usage;
        EXPECT_EQ(result.err.rfind("orvane-cli: ", 0), 0u) << result.err;
    }
    EXPECT_NE(Run("rename --system PS4").err.find(": PS4\n"), std::string::npos);
    EXPECT_EQ(Run("--help").status, 0);
    const Result version = Run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("orvane-cli ") + ORVANE_VERSION + "\n");
    EXPECT_EQ(ListNames(dir / "games").size(), 3u);
    EXPECT_EQ(ListNames(dir.Path()),
              (std::vector<std::string>{"err.txt", "games", "games.csv", "readme.txt"}));
}

// A --save that cannot write the new preset runs nothing, and never falls
// back to another preset's folder and formula.
TEST_F(OrvaneCliTest, AFailedSaveRunsNothing) {
    testsupport::MakeDirs(dir / "preset/New.ini");  // in the way of the new preset's file
    const std::string other = "[Orvane preset file Ver1]\r\n[EditBox]\r\n0=other\r\n1=%n\r\n";
    WriteFile(dir / "preset/Other.ini", other);
    testsupport::MakeDirs(dir / "other");
    Disc("other/c.iso", "SLPM_650.01");

    const Result result =
        Run("rename --folder games --formula 'F %i' --preset New --save --database games.csv "
            "--system PS2 --list-format '%n'");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("orvane-cli: cannot write: " + dir / "preset/New.ini\n"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(ListNames(dir / "games"), (std::vector<std::string>{"a.iso", "b.iso", "readme.txt"}));
    EXPECT_EQ(ListNames(dir / "other"), std::vector<std::string>{"c.iso"});
    EXPECT_EQ(ReadFile(dir / "preset/Other.ini"), other);
    EXPECT_EQ(testsupport::ListNames(dir.Path()),
              (std::vector<std::string>{"err.txt", "games", "games.csv", "other", "preset"}));
}

// Without --database the file Setting.ini keeps is taken, and named before
// the run; no *.csv of the start-up directory is ever taken on its own.
TEST_F(OrvaneCliTest, TheDatabaseTakenIsNamed) {
    const std::string database = ReadFile(dir / "games.csv");
    EXPECT_EQ(Run("list --folder games --system PS2").status, 2);
    EXPECT_EQ(ReadFile(dir / "games.csv"), database);
    ASSERT_EQ(Run("list --folder games --system PS2 --database games.csv --save").status, 0);
    const Result result = Run("list --folder games --system PS2");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err.rfind("orvane-cli: no --database given, using games.csv\n", 0), 0u)
        << result.err;
    EXPECT_EQ(Run("list --folder games --system PS2 --database games.csv").err.find("--database"),
              std::string::npos);
}

// Moved away from its language folder the program still speaks: the English
// texts are built in.
TEST_F(OrvaneCliTest, AMovedProgramStillSpeaks) {
    testsupport::MakeDirs(dir / "bin");
    ASSERT_EQ(testsupport::RunCommand("cp " + ShellQuote(ORVANE_CLI_PATH) + " " +
                                      ShellQuote(dir / "bin/orvane-cli")),
              0);
    const Result result =
        Run("rename --folder missing --database games.csv --formula %n", dir / "bin/orvane-cli");
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("orvane-cli: The folder to scan does not exist. Choose an existing "
                              "folder.: missing\n"),
              std::string::npos)
        << result.err;
}

// Ctrl-C, SIGTERM and SIGHUP stop the run after the disc in hand; it wraps up
// (lists, summary) and the exit status names the signal.
TEST_F(OrvaneCliTest, StopSignalsEndTheRunCleanly) {
    std::string lines;
    for (int i = 0; i < 300; ++i) {
        char boot[16];
        std::snprintf(boot, sizeof boot, "SLPS_%03d.%02d", 100 + i / 100, i % 100);
        Disc("games/many" + std::to_string(i) + ".iso", boot);
        lines += "SLPS" + std::string(boot + 5, 3) + std::string(boot + 9, 2) + ";Game " +
                 std::to_string(i) + ";;;;;;PS2;;\r\n";
    }
    WriteFile(dir / "games.csv", lines);
    for (const auto& [name, status] : {std::pair{"INT", 130}, {"TERM", 143}, {"HUP", 129}}) {
        // The signal comes as soon as the run is identifying discs (or when
        // the wait gives up, and the run's outputs then tell the failure).
        const std::string command =
            "cd " + ShellQuote(dir.Path()) + " || exit 1; rm -f out.txt err.txt; " +
            ShellQuote(ORVANE_CLI_PATH) +
            " rename -v --folder games --database games.csv --system PS2 --formula '%n' "
            "--list-format '%n' >out.txt 2>err.txt </dev/null & n=0; "
            "until grep -q Identifying err.txt 2>/dev/null || [ $n -ge 100000 ]; do "
            "n=$((n + 1)); done; kill -" +
            std::string(name) + " $!; wait $!";
        EXPECT_EQ(testsupport::RunCommand(command), status) << name;
        const std::string summary = LastLine(ReadFile(dir / "err.txt"));
        // A stopped run counts the discs it reached.
        const std::string counts = "Stopped.  Discs:";
        ASSERT_EQ(summary.rfind(counts, 0), 0u) << name << summary;
        EXPECT_LT(std::stoi(summary.substr(counts.size())), 300) << name << summary;
        EXPECT_NE(ReadFile(dir / "Have list (PS2).txt").find("You have:"), std::string::npos);
    }
}

TEST_F(OrvaneCliTest, AddRecordMergesTheAddFile) {
    WriteFile(dir / "more.csv", "SLPM65003;Third Game;;;;;;PS2;;\r\n");
    EXPECT_EQ(Run("add-record --database games.csv --add-file more.csv").status, 0);
    EXPECT_EQ(ReadFile(dir / "games.csv"),
              "SLPM65001;First Game;;;;;;PS2;;\r\nSLPM65002;Second Game;;;;;;PS2;;\r\n"
              "SLPM65003;Third Game;;;;;;PS2;;\r\n");
}

TEST_F(OrvaneCliTest, ImportDatMergesTheGamesOfDatFilesAndReports) {
    WriteFile(dir / "ps2.dat",
              "game ( name \"Third Game (Japan)\" serial \"SLPM-65003\" )\n"
              "game ( name \"First Game (Japan)\" serial \"SLPM-65001\" )\n"
              "game ( name \"Demo\" )\n");
    WriteFile(dir / "ps2.xml",
              "<datafile><game name=\"Fourth\"><serial>slpm-65004</serial></game></datafile>");
    const Result result = Run("import-dat ps2.dat ps2.xml --system PS2 --database games.csv");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "Games:4 Added:2 Updated:0 Skipped:2\n");
    EXPECT_EQ(ReadFile(dir / "games.csv"),
              "SLPM65001;First Game;;;;;;PS2;;\r\nSLPM65002;Second Game;;;;;;PS2;;\r\n"
              "SLPM65003;Third Game (Japan);;SLPM-65003;;;;PS2;;\r\n"
              "SLPM65004;Fourth;;slpm-65004;;;;PS2;;\r\n");
    EXPECT_EQ(Run("import-dat ps2.dat --system PS2 --database games.csv --add-priority").err,
              "Games:3 Added:0 Updated:1 Skipped:2\n");

    // A damaged DAT: said on stderr, nothing written.
    const std::string before = ReadFile(dir / "games.csv");
    WriteFile(dir / "cut.dat", "game ( name \"Fifth\" serial \"SLPM-65005\"\n");
    EXPECT_EQ(Run("import-dat ps2.dat cut.dat --system PS2 --database games.csv").status, 2);
    EXPECT_EQ(ReadFile(dir / "err.txt"),
              "orvane-cli: damaged DAT, line 2: the file ends inside a block: cut.dat\n");
    // The database cannot be written: told, and it stays as it was.
    WriteFile(dir / "new.dat", "game ( name \"Sixth\" serial \"SLPM-65006\" )\n");
    std::string errors;
    const int noRoom = testsupport::RunCommand(
        "cd " + ShellQuote(dir.Path()) + " && (trap '' XFSZ; ulimit -f 0; exec " +
            ShellQuote(ORVANE_CLI_PATH) +
            " import-dat -q new.dat --system PS2 --database games.csv 2>&1 >/dev/null)",
        &errors);
    EXPECT_EQ(noRoom, 1);
    EXPECT_EQ(errors, "orvane-cli: the database could not be written: games.csv\n");
    EXPECT_EQ(ReadFile(dir / "games.csv"), before);
    for (const char* usage : {"import-dat --system PS2", "import-dat ps2.dat", "rename ps2.dat",
                              "import-dat ps2.dat --system PS5"}) {
        EXPECT_EQ(Run(usage).status, 64) << usage;
    }
}
