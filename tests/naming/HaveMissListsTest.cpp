#include "naming/HaveMissLists.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/AsciiCase.h"
#include "support/CurrentDirectory.h"
#include "support/Files.h"
#include "support/TempDir.h"

using testsupport::ReadFile;
using testsupport::ScopedCurrentDirectory;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

GameDatabase Database(const std::vector<std::string>& lines) {
    GameDatabase database;
    for (const std::string& line : lines) AddDiscRecord(database, SplitDatabaseLine(line));
    return database;
}

struct ListFiles {
    std::string haveIds;
    std::string haveList;
    std::string missList;
    bool operator==(const ListFiles&) const = default;
};

void PrintTo(const ListFiles& files, std::ostream* out) {
    *out << "HaveID:\n"
         << files.haveIds << "Have list:\n"
         << files.haveList << "Miss list:\n"
         << files.missList;
}

// The three files of a system in the current directory.
ListFiles ReadListFiles(const std::string& system) {
    return {ReadFile(HaveIdFileName(system)), ReadFile(HaveListFileName(system)),
            ReadFile(MissListFileName(system))};
}

ListFiles WriteLiteral(const std::string& folder, const HaveSet& haveIds,
                       const GameDatabase& database, const std::string& formula) {
    ScopedCurrentDirectory current(folder);
    EXPECT_TRUE(WriteHaveMissLists("PS2", haveIds, database, formula));
    return ReadListFiles("PS2");
}

ListFiles WriteCached(const std::string& folder, HaveMissInventory& inventory) {
    ScopedCurrentDirectory current(folder);
    EXPECT_TRUE(inventory.Write());
    return ReadListFiles("PS2");
}

const std::vector<std::string> THREE_GAMES = {
    "SLPS00003;Gamma;;;;;;PS2;;",
    "SLPS00001;Alpha;;;;;;PS2;;",
    "SLPS00002;Beta;;;;;;PS2;;",
};

}  // namespace

class HaveMissListsTest : public testing::Test {
protected:
    TempDir dir;
    ScopedCurrentDirectory current{dir.Path()};
};

TEST_F(HaveMissListsTest, FirstRunStartsWithNothingHeld) {
    HaveSet haveIds;
    LoadHaveIds("PS2", haveIds);
    EXPECT_TRUE(haveIds.empty());

    ASSERT_TRUE(WriteHaveMissLists("PS2", haveIds, Database(THREE_GAMES), "%i - %n"));
    EXPECT_EQ(ReadListFiles("PS2"),
              (ListFiles{"", "Number of Discs in database:3 You have:0\r\n\r\n",
                         "Number of Discs of database:3 You are missing:3\r\n\r\n"
                         "SLPS00001 - Alpha\r\nSLPS00002 - Beta\r\nSLPS00003 - Gamma\r\n"}));
}

TEST_F(HaveMissListsTest, OneOfThreeHeld) {
    ASSERT_TRUE(WriteHaveMissLists("PS1", {"SLPS00002"}, Database(THREE_GAMES), "%n [%i]"));
    EXPECT_EQ(ReadListFiles("PS1"),
              (ListFiles{"SLPS00002\r\n",
                         "Number of Discs in database:3 You have:1\r\n\r\nBeta [SLPS00002]\r\n",
                         "Number of Discs of database:3 You are missing:2\r\n\r\n"
                         "Alpha [SLPS00001]\r\nGamma [SLPS00003]\r\n"}));
}

TEST_F(HaveMissListsTest, GamesWhoseLinesCoincideShowOnceButCountEach) {
    const GameDatabase database = Database({
        "SLPS00001;Two Discs;;;;;;PS2;;",
        "SLPS00002;Two Discs;;;;;;PS2;;",
        "SLPS00003;Other;;;;;;PS2;;",
        "SLPS00004;Other;;;;;;PS2;;",
    });
    ASSERT_TRUE(WriteHaveMissLists("PS2", {"SLPS00001", "SLPS00002"}, database, "%n"));
    EXPECT_EQ(ReadListFiles("PS2"),
              (ListFiles{"SLPS00001\r\nSLPS00002\r\n",
                         "Number of Discs in database:4 You have:2\r\n\r\nTwo Discs\r\n",
                         "Number of Discs of database:4 You are missing:2\r\n\r\nOther\r\n"}));
}

TEST_F(HaveMissListsTest, LinesAreInOrderIgnoringAsciiCase) {
    const GameDatabase database = Database({
        "A;Beta;;;;;;PS2;;",
        "B;alpha;;;;;;PS2;;",
        "C;Alpha2;;;;;;PS2;;",
        "D;abc;;;;;;PS2;;",
        "E;ABC;;;;;;PS2;;",
        "F;Émile;;;;;;PS2;;",
        "G;zed;;;;;;PS2;;",
    });
    ASSERT_TRUE(WriteHaveMissLists("PS2", {}, database, "%n"));
    EXPECT_EQ(ReadFile(MissListFileName("PS2")),
              "Number of Discs of database:7 You are missing:7\r\n\r\n"
              "ABC\r\nabc\r\nalpha\r\nAlpha2\r\nBeta\r\nzed\r\nÉmile\r\n");
}

TEST_F(HaveMissListsTest, HaveIdFileComesBackSortedAndOnce) {
    WriteFile(HaveIdFileName("PSP"), "ULJM00003\nULJM00001\r\nULJM00003\r\nULJM00002");
    HaveSet haveIds;
    LoadHaveIds("PSP", haveIds);
    ASSERT_TRUE(WriteHaveMissLists("PSP", haveIds, GameDatabase{}, "%i"));
    EXPECT_EQ(ReadFile(HaveIdFileName("PSP")), "ULJM00001\r\nULJM00002\r\nULJM00003\r\n");
}

TEST_F(HaveMissListsTest, RepeatedIdentifierIsOneGameMissingOrHeld) {
    const GameDatabase database = Database({
        "SLPS00001;First;;;;;;PS2;;",
        "SLPS00001;Repeat;;;;;;PS2;;",
        "SLPS00002;Second;;;;;;PS2;;",
    });
    ASSERT_EQ(database.idList.size(), 3u);
    ASSERT_TRUE(WriteHaveMissLists("PS2", {}, database, "%i %n"));
    EXPECT_EQ(ReadFile(MissListFileName("PS2")),
              "Number of Discs of database:2 You are missing:2\r\n\r\n"
              "SLPS00001 First\r\nSLPS00002 Second\r\n");

    ASSERT_TRUE(WriteHaveMissLists("PS2", {"SLPS00001"}, database, "%i %n"));
    EXPECT_EQ(ReadFile(MissListFileName("PS2")),
              "Number of Discs of database:2 You are missing:1\r\n\r\nSLPS00002 Second\r\n");
}

TEST_F(HaveMissListsTest, HeldIdentifierTheDatabaseLacksStaysInTheInventory) {
    WriteFile(HaveIdFileName("PS2"), "SCUS99999\r\nSLPS00001\r\n\r\n");
    HaveSet haveIds;
    LoadHaveIds("PS2", haveIds);
    EXPECT_EQ(haveIds, (HaveSet{"", "SCUS99999", "SLPS00001"}));

    const GameDatabase database =
        Database({"SLPS00001;Alpha;;;;;;PS2;;", "SLPS00002;Beta;;;;;;PS2;;"});
    ASSERT_TRUE(WriteHaveMissLists("PS2", haveIds, database, "[%i] %n"));
    // Three held, and still one of the database's two missing.
    EXPECT_EQ(ReadListFiles("PS2"),
              (ListFiles{"\r\nSCUS99999\r\nSLPS00001\r\n",
                         "Number of Discs in database:2 You have:3\r\n\r\n"
                         "[] \r\n[SCUS99999] \r\n[SLPS00001] Alpha\r\n",
                         "Number of Discs of database:2 You are missing:1\r\n\r\n"
                         "[SLPS00002] Beta\r\n"}));
}

TEST_F(HaveMissListsTest, NamesInTheListsAreHalfWidth) {
    ASSERT_TRUE(
        WriteHaveMissLists("PS2", {}, Database({"SLPS00001;ＡＢＣ　１２３ ｶﾞ;;;;;;PS2;;"}), "%n"));
    EXPECT_EQ(ReadFile(MissListFileName("PS2")),
              "Number of Discs of database:1 You are missing:1\r\n\r\nABC 123 ｶﾞ\r\n");
}

TEST_F(HaveMissListsTest, ListsAreNotLimitedInLength) {
    std::vector<std::string> lines;
    for (int i = 0; i < 20000; ++i)
        lines.push_back("ID" + std::to_string(100000 + i) + ";;;;;;;PS2;;");
    ASSERT_TRUE(WriteHaveMissLists("PS2", {}, Database(lines), "%i"));
    const std::string missList = ReadFile(MissListFileName("PS2"));
    EXPECT_EQ(std::count(missList.begin(), missList.end(), '\n'), 20002);
    EXPECT_TRUE(missList.ends_with("\r\nID119999\r\n"));
}

// Lines that coincide, differ only in case, repeat an identifier, or come
// from identifiers the database lacks (and may equal a game's line).
TEST_F(HaveMissListsTest, InventoryWritesWhatTheLiteralWritesAsIdentifiersArrive) {
    const GameDatabase database = Database({
        "SLPS00001;Two Discs;;;;;;PS2;;",
        "SLPS00002;Two Discs;;;;;;PS2;;",
        "SLPS00003;two discs;;;;;;PS2;;",
        "SLPS00004;Ｗｉｄｅ;;;;;;PS2;;",
        "SLPS00004;Repeat;;;;;;PS2;;",
        "SLPS00005;Alpha;;;;;;PS2;;",
        "SLPS00006;;;;;;;PS2;;",
        "SCUS00002;Between;;;;;;PS2;;",
    });
    for (const std::string formula : {"%n", "%i %n", "%n%i", "[%n]"}) {
        TempDir literal;
        TempDir cached;
        HaveSet haveIds = {"", "SCUS99999", "SLPS00005"};
        HaveMissInventory inventory("PS2", database, formula, haveIds);
        EXPECT_EQ(WriteCached(cached.Path(), inventory),
                  WriteLiteral(literal.Path(), haveIds, database, formula))
            << formula;
        for (const char* identifier : {"SLPS00001", "SLPS00001", "SLPS00003", "SCUS00001",
                                       "SLPS00006", "SLPS00002", "SLPS00004", "SCUS00002"}) {
            haveIds.insert(identifier);
            inventory.AddHaveId(identifier);
            EXPECT_EQ(WriteCached(cached.Path(), inventory),
                      WriteLiteral(literal.Path(), haveIds, database, formula))
                << formula << " after " << identifier;
        }
        ScopedCurrentDirectory current(cached.Path());
        ASSERT_TRUE(inventory.Finish());
        EXPECT_EQ(ReadListFiles("PS2"), WriteLiteral(literal.Path(), haveIds, database, formula));
    }
}

TEST_F(HaveMissListsTest, InventoryReportsWhenItsFilesAreBehind) {
    HaveMissInventory inventory("PS2", Database(THREE_GAMES), "%i", {"SLPS00001"});
    EXPECT_TRUE(inventory.Changed());
    ASSERT_TRUE(inventory.Write());
    EXPECT_FALSE(inventory.Changed());
    inventory.AddHaveId("SLPS00001");
    EXPECT_FALSE(inventory.Changed());
    inventory.AddHaveId("SLPS00002");
    EXPECT_TRUE(inventory.Changed());
}

TEST_F(HaveMissListsTest, FailedWriteIsReportedAndTheOtherFilesAreStillWritten) {
    testsupport::MakeDirs(dir / HaveIdFileName("PS2"));
    HaveMissInventory inventory("PS2", Database(THREE_GAMES), "%i", {"SLPS00001"});
    EXPECT_FALSE(inventory.Write());
    EXPECT_TRUE(inventory.Changed());
    EXPECT_FALSE(WriteHaveMissLists("PS2", {"SLPS00001"}, Database(THREE_GAMES), "%i"));
    EXPECT_EQ(ReadFile(HaveListFileName("PS2")),
              "Number of Discs in database:3 You have:1\r\n\r\nSLPS00001\r\n");
    EXPECT_EQ(ReadFile(MissListFileName("PS2")),
              "Number of Discs of database:3 You are missing:2\r\n\r\nSLPS00002\r\nSLPS00003\r\n");
}

TEST_F(HaveMissListsTest, InventoryMatchesTheLiteralOnTheRealPs2List) {
    const std::string corpus = testsupport::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "no test corpus";
    GameDatabase database;
    ReadDatabase(corpus + "/databases/ps2.csv", "PS2", database);
    ASSERT_EQ(database.records.size(), 12820u);

    const std::string formula = "%n [%i] (%l)";
    TempDir literal;
    TempDir cached;
    HaveSet haveIds = {database.idList[0], "SCUS99999"};
    HaveMissInventory inventory("PS2", database, formula, haveIds);
    for (std::size_t i = 1; i < database.idList.size(); i += 2500) {
        haveIds.insert(database.idList[i]);
        inventory.AddHaveId(database.idList[i]);
    }
    EXPECT_EQ(WriteCached(cached.Path(), inventory),
              WriteLiteral(literal.Path(), haveIds, database, formula));
}
