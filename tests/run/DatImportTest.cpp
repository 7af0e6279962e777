#include "run/DatImport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/CurrentDirectory.h"
#include "support/Files.h"
#include "support/TempDir.h"

using testsupport::ListNames;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

using Strings = std::vector<std::string>;

class DatImportTest : public ::testing::Test {
protected:
    DatImportTest() {
        WriteFile("games.csv",
                  ";our header\r\nSLES02375;Ours;;;;;;PS1;;\r\nSCUS94163;Kept;;;;;;PS1;;\r\n");
        WriteFile("games.dat",
                  "clrmamepro ( name \"Sony - PlayStation\" )\n"
                  "game ( name \"Alpha (Europe) (En,Fr)\" region \"Europe\"\n"
                  "\tserial \"SLES-02375, SLES-02376\" rom ( name a.bin size 1 ) )\n"
                  "game ( name \"No Serial (USA)\" rom ( name b.bin size 1 ) )\n"
                  "game ( name \"Alpha again\" serial \"SLES-02376\" )\n");
        WriteFile("games.xml",
                  "<?xml version=\"1.0\"?>\n<datafile>\n"
                  "<game name=\"Kept (USA)\"><serial>SCUS-94163</serial></game>\n"
                  "<game name=\"Beta (Japan)\"><serial>SLPS-00071</serial>"
                  "<release name=\"b\" region=\"Japan\" language=\"Ja\" date=\"1996-12-01\"/>"
                  "</game>\n</datafile>\n");
    }

    DatImportReport Import(const Strings& dats, bool priority = false,
                           const std::string& database = "games.csv") {
        return ImportDatFiles(dats, database, "PS1", priority);
    }

    TempDir dir;
    testsupport::ScopedCurrentDirectory current{dir.Path()};
};

}  // namespace

TEST_F(DatImportTest, DatabaseRecordsWinUnlessTheDatHasPriority) {
    DatImportReport report = Import({"games.dat", "games.xml"});
    EXPECT_TRUE(report.inputValid && report.written);
    EXPECT_TRUE(report.problems.empty());
    EXPECT_EQ(report.games, 5u);
    // New: SLES02376, SLPS00071. Skipped: the game without a serial, the two
    // identifiers the database holds, the repeat of SLES02376.
    EXPECT_EQ(report.added, 2u);
    EXPECT_EQ(report.updated, 0u);
    EXPECT_EQ(report.skipped, 4u);
    EXPECT_EQ(ReadFile("games.csv"),
              ";our header\r\n"
              "SCUS94163;Kept;;;;;;PS1;;\r\n"
              "SLES02375;Ours;;;;;;PS1;;\r\n"
              "SLES02376;Alpha (Europe) (En,Fr);Europe;SLES-02376;;;;PS1;;\r\n"
              "SLPS00071;Beta (Japan);Japan;SLPS-00071;;;19961201;PS1;Ja;\r\n");

    report = Import({"games.dat", "games.xml"}, true);
    EXPECT_EQ(report.added, 0u);
    EXPECT_EQ(report.updated, 2u);  // SLES02375 and SCUS94163; the rest is the same
    EXPECT_EQ(report.skipped, 4u);
    EXPECT_EQ(ReadFile("games.csv"),
              ";our header\r\n"
              "SCUS94163;Kept (USA);;SCUS-94163;;;;PS1;;\r\n"
              "SLES02375;Alpha (Europe) (En,Fr);Europe;SLES-02375;;;;PS1;;\r\n"
              "SLES02376;Alpha (Europe) (En,Fr);Europe;SLES-02376;;;;PS1;;\r\n"
              "SLPS00071;Beta (Japan);Japan;SLPS-00071;;;19961201;PS1;Ja;\r\n");

    // Nothing new: the database is left as it is, not even sorted.
    const std::string unsorted = "SLPS00071;Z;;;;;;PS1;;\r\nSCUS94163;A;;;;;;PS1;;\r\n";
    WriteFile("games.csv", unsorted);
    report = Import({"games.xml"});
    EXPECT_TRUE(report.inputValid);
    EXPECT_FALSE(report.written || report.writeFailed);
    EXPECT_EQ(report.skipped, 2u);
    EXPECT_EQ(ReadFile("games.csv"), unsorted);
}

TEST_F(DatImportTest, ANewDatabaseFileIsCreated) {
    const DatImportReport report = Import({"games.xml"}, false, "new.csv");
    EXPECT_TRUE(report.written);
    EXPECT_EQ(report.added, 2u);
    EXPECT_EQ(ReadFile("new.csv"),
              "SCUS94163;Kept (USA);;SCUS-94163;;;;PS1;;\r\n"
              "SLPS00071;Beta (Japan);Japan;SLPS-00071;;;19961201;PS1;Ja;\r\n");
}

TEST_F(DatImportTest, ADatWithAHeaderAndNoGamesAddsNothingAndStopsNothing) {
    // Metadata lists that hold no game yet: given with others, the others
    // are imported as they would be alone.
    WriteFile("header.dat", "clrmamepro (\n\tname \"Sony - PlayStation\"\n)\n");
    WriteFile("header.xml",
              "<?xml version=\"1.0\"?>\n<datafile><header><name>x</name>"
              "</header></datafile>\n");
    const DatImportReport report = Import({"header.dat", "games.dat", "header.xml"});
    EXPECT_TRUE(report.inputValid && report.written);
    EXPECT_TRUE(report.problems.empty());
    EXPECT_EQ(report.games, 3u);
    EXPECT_EQ(report.added, 1u);  // SLES02376
    EXPECT_EQ(ReadFile("games.csv"),
              ";our header\r\n"
              "SCUS94163;Kept;;;;;;PS1;;\r\n"
              "SLES02375;Ours;;;;;;PS1;;\r\n"
              "SLES02376;Alpha (Europe) (En,Fr);Europe;SLES-02376;;;;PS1;;\r\n");
    // Alone, it changes nothing and is no error either.
    const DatImportReport alone = Import({"header.xml"});
    EXPECT_TRUE(alone.inputValid && alone.problems.empty());
    EXPECT_FALSE(alone.written);
}

TEST_F(DatImportTest, OneBadInputAndNothingIsWritten) {
    const std::string before = ReadFile("games.csv");
    WriteFile("cut.xml", ReadFile("games.xml").substr(0, 120));
    WriteFile("empty.dat", "notes ( name x )\n");
    testsupport::MakeDirs("folder.csv");
    ASSERT_EQ(mkfifo("fifo.csv", 0600), 0);
    const std::vector<std::pair<Strings, std::string>> cases = {
        {{"games.dat", "cut.xml"}, "cut.xml"},
        {{"missing.dat", "games.dat"}, "missing.dat"},
        {{"games.dat", "empty.dat"}, "empty.dat"},
        {{"games.dat", "games.csv"}, "games.csv"},  // a database is no DAT
    };
    for (const auto& [dats, bad] : cases) {
        const DatImportReport report = Import(dats);
        EXPECT_FALSE(report.inputValid || report.written) << bad;
        ASSERT_EQ(report.problems.size(), 1u) << bad;
        EXPECT_EQ(report.problems[0].path, bad);
    }
    for (const std::string database : {"", "folder.csv", "fifo.csv"}) {
        const DatImportReport report = Import({"games.dat"}, false, database);
        EXPECT_FALSE(report.inputValid || report.written) << database;
        ASSERT_EQ(report.problems.size(), 1u) << database;
    }
    EXPECT_EQ(ReadFile("games.csv"), before);
    EXPECT_EQ(ListNames(dir.Path()), (Strings{"cut.xml", "empty.dat", "fifo.csv", "folder.csv",
                                              "games.csv", "games.dat", "games.xml"}));
}
