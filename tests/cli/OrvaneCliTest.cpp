// orvane-cli as a user runs it: a start-up directory with a collection, the
// program started as a process.
#include <gtest/gtest.h>

#include "support/Files.h"
#include "support/IsoBuilder.h"
#include "support/TempDir.h"

using testsupport::ListNames;
using testsupport::ReadFile;
using testsupport::ShellQuote;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

struct Result {
    int status;
    std::string out;
};

class OrvaneCliTest : public ::testing::Test {
protected:
    OrvaneCliTest() {
        testsupport::MakeDirs(dir / "games");
        WriteFile(dir / "games.csv",
                  "SLPM65001;First Game;;;;;;PS2;;\r\n"
                  "SLPM65002;Second Game;;;;;;PS2;;\r\n");
        Disc("games/a.iso", "SLPM_650.01");
        Disc("games/b.iso", "SLPM_650.02");
        WriteFile(dir / "games/readme.txt", "x");
    }

    void Disc(const std::string& name, const std::string& bootFile) {
        testsupport::WriteDisc(
            dir / name, {{"SYSTEM.CNF", testsupport::Ps2SystemCnf(bootFile)}, {bootFile, "elf"}});
    }

    // Runs the program in the start-up directory; stdout is returned, stderr
    // kept in err.txt.
    Result Run(const std::string& arguments) {
        Result result;
        result.status = testsupport::RunCommand("cd " + ShellQuote(dir.Path()) + " && " +
                                                    ShellQuote(ORVANE_CLI_PATH) + " " + arguments +
                                                    " 2>err.txt </dev/null",
                                                &result.out);
        return result;
    }

    TempDir dir;
};

}  // namespace

TEST_F(OrvaneCliTest, RenamesTheCollectionAndPrintsTheSummary) {
    const Result result =
        Run("rename --folder games --database games.csv --system PS2 --formula '%n [%i]' "
            "--list-format '%n' --language English --batch");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(ListNames(dir / "games"),
              (std::vector<std::string>{"First Game [SLPM65001].iso", "Second Game [SLPM65002].iso",
                                        "readme.txt"}));
    const std::string summary = "Discs:3 Renamed:2 Not renamed:1";
    EXPECT_EQ(result.out, summary + "\n");
    const std::string status = ReadFile(dir / "err.txt");
    EXPECT_NE(status.find("Identifying : games/a\n"), std::string::npos) << status;
    EXPECT_NE(status.find("Finished.  " + summary + "\n"), std::string::npos) << status;
    EXPECT_EQ(ReadFile(dir / "Have list (PS2).txt"),
              "Number of Discs in database:2 You have:2\r\n\r\nFirst Game\r\nSecond Game\r\n");
    EXPECT_EQ(ReadFile(dir / "RenameBatch.bat"),
              "\"a.*\" \"First Game [SLPM65001].*\"\r\n\"b.*\" \"Second Game [SLPM65002].*\"\r\n");
    // Nothing of the configuration is written without --save.
    EXPECT_EQ(ListNames(dir.Path()),
              (std::vector<std::string>{"Have list (PS2).txt", "HaveID (PS2).dat",
                                        "Miss list (PS2).txt", "RenameBatch.bat", "err.txt",
                                        "error_log.txt", "games", "games.csv"}));
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

TEST_F(OrvaneCliTest, ExitStatusTellsInputChecksAndUsageErrorsApart) {
    const Result noFolder =
        Run("rename --folder missing --database games.csv --system PS2 "
            "--list-format x --language English");
    EXPECT_EQ(noFolder.status, 2);
    EXPECT_EQ(noFolder.out, "The folder to scan does not exist. Choose an existing folder.\n");
    EXPECT_EQ(Run("rename --folder games --database games.csv --list-format x").status, 2);

    for (const char* usage :
         {"", "rename --system PS4", "rename --check 12=1", "rename --check 1", "rename --bogus",
          "rename list", "rename --folder", "rename --preset Nope", "rename --language Klingon"}) {
        EXPECT_EQ(Run(usage).status, 64) << usage;
    }
    EXPECT_EQ(Run("--help").status, 0);
    const Result version = Run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("orvane-cli ", 0), 0u);
    EXPECT_EQ(ListNames(dir / "games").size(), 3u);
}

TEST_F(OrvaneCliTest, AddRecordMergesTheAddFile) {
    WriteFile(dir / "more.csv", "SLPM65003;Third Game;;;;;;PS2;;\r\n");
    EXPECT_EQ(Run("add-record --database games.csv --add-file more.csv").status, 0);
    EXPECT_EQ(ReadFile(dir / "games.csv"),
              "SLPM65001;First Game;;;;;;PS2;;\r\nSLPM65002;Second Game;;;;;;PS2;;\r\n"
              "SLPM65003;Third Game;;;;;;PS2;;\r\n");
    EXPECT_EQ(Run("add-record --database games.csv --add-file gone.csv").status, 2);
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
    EXPECT_EQ(result.out, "Games:4 Added:2 Updated:0 Skipped:2\n");
    EXPECT_EQ(ReadFile(dir / "games.csv"),
              "SLPM65001;First Game;;;;;;PS2;;\r\nSLPM65002;Second Game;;;;;;PS2;;\r\n"
              "SLPM65003;Third Game (Japan);;SLPM-65003;;;;PS2;;\r\n"
              "SLPM65004;Fourth;;slpm-65004;;;;PS2;;\r\n");
    EXPECT_EQ(Run("import-dat ps2.dat --system PS2 --database games.csv --add-priority").out,
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
            " import-dat new.dat --system PS2 --database games.csv 2>&1 >/dev/null)",
        &errors);
    EXPECT_EQ(noRoom, 1);
    EXPECT_EQ(errors, "orvane-cli: the database could not be written: games.csv\n");
    EXPECT_EQ(ReadFile(dir / "games.csv"), before);
    for (const char* usage : {"import-dat --system PS2", "import-dat ps2.dat", "rename ps2.dat",
                              "import-dat ps2.dat --system PS5"}) {
        EXPECT_EQ(Run(usage).status, 64) << usage;
    }
}
