#include "gamedb/GameDatabase.h"

#include <gtest/gtest.h>

#include <boost/tokenizer.hpp>
#include <clocale>
#include <set>
#include <string>
#include <vector>

#include "platform/AsciiCase.h"
#include "platform/FileOps.h"
#include "support/Files.h"
#include "support/TempDir.h"

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

GameDatabase ReadForSystem(const std::string& content, const std::string& system) {
    TempDir dir;
    WriteFile(dir / "db.csv", content);
    GameDatabase database;
    ReadDatabase(dir / "db.csv", system, database);
    return database;
}

GameDatabase ReadWhole(const std::string& content) {
    TempDir dir;
    WriteFile(dir / "db.csv", content);
    GameDatabase database;
    ReadDatabaseFile(dir / "db.csv", database);
    return database;
}

using Strings = std::vector<std::string>;

}  // namespace

TEST(DatabaseLineTest, ElevenFieldLineKeepsTheFirstNine) {
    const DiscRecord record = SplitDatabaseLine("A;B;C;D;E;F;G;H;I;J;K;");
    EXPECT_EQ(record, (DiscRecord{"A", "B", "C", "D", "E", "F", "G", "H", "I", "", ""}));
    EXPECT_EQ(JoinDatabaseLine(record), "A;B;C;D;E;F;G;H;I;");
}

TEST(DatabaseLineTest, MissingFieldsAreEmptyAndTheLastNeedsNoSemicolon) {
    EXPECT_EQ(SplitDatabaseLine("SLPS00071;Name;NTSC-J"),
              (DiscRecord{"SLPS00071", "Name", "NTSC-J", "", "", "", "", "", "", "", ""}));
    EXPECT_EQ(SplitDatabaseLine("A;B;C;D;E;F;G;H;I"),
              (DiscRecord{"A", "B", "C", "D", "E", "F", "G", "H", "I", "", ""}));
    EXPECT_EQ(SplitDatabaseLine(""), DiscRecord{});
}

TEST(DatabaseLineTest, BlanksAndBytesAreKeptAsTheyAre) {
    const DiscRecord record = SplitDatabaseLine(" ID ; ドラゴン\x81\x40 ;;;;;;PS2;;");
    EXPECT_EQ(record[0], " ID ");
    EXPECT_EQ(record[1], " ドラゴン\x81\x40 ");
    EXPECT_EQ(JoinDatabaseLine(record), " ID ; ドラゴン\x81\x40 ;;;;;;PS2;;");
}

TEST(DatabaseLineTest, EmptyRecordJoinsToNineSemicolonsWhichReadBackAsComment) {
    EXPECT_EQ(JoinDatabaseLine(DiscRecord{}), ";;;;;;;;;");
    const GameDatabase database = ReadWhole(";;;;;;;;;\r\n");
    EXPECT_TRUE(database.records.empty());
    EXPECT_EQ(database.commentLines, Strings{";;;;;;;;;"});
}

TEST(ReadDatabaseTest, HyphenatedIdentifierGivesThreeRecords) {
    const GameDatabase database =
        ReadForSystem("SLPS-00071;Name;NTSC-J;;;;19990101;PS1;Japanese;\r\n", "PS1");
    EXPECT_EQ(database.idList, (Strings{"SLPS", "-", "00071"}));
    EXPECT_EQ(FindDiscRecord(database, "SLPS-00071"), std::nullopt);
    for (const char* key : {"SLPS", "-", "00071"}) {
        const std::optional<DiscRecord> record = FindDiscRecord(database, key);
        ASSERT_TRUE(record) << key;
        EXPECT_EQ(*record, (DiscRecord{key, "Name", "NTSC-J", "", "", "", "19990101", "PS1",
                                       "Japanese", "", ""}));
    }
}

TEST(ReadDatabaseTest, WhiteSpaceSeparatesIdentifiersOfOneLine) {
    const GameDatabase database =
        ReadForSystem("SLPS00071 SLPS00072\t SLPS00073;Name;;;;;;PS1;;\n", "PS1");
    EXPECT_EQ(database.idList, (Strings{"SLPS00071", "SLPS00072", "SLPS00073"}));
    EXPECT_EQ((*FindDiscRecord(database, "SLPS00073"))[1], "Name");
}

TEST(ReadDatabaseTest, IdentifiersOfOneLineShareItsFields) {
    // Thirty thousand identifiers and a long rest: copied per identifier,
    // this line would take gigabytes.
    std::string line;
    for (int i = 0; i < 30000; ++i) line += "ID" + std::to_string(i) + " ";
    line += ";" + std::string(150000, 'n') + ";;;;;;PS1;;\r\n";
    const GameDatabase database = ReadForSystem(line, "PS1");
    ASSERT_EQ(database.records.size(), 30000u);
    EXPECT_EQ(database.records.at("ID0").get(), database.records.at("ID29999").get());
    EXPECT_EQ((*FindDiscRecord(database, "ID29999"))[0], "ID29999");
    EXPECT_EQ((*FindDiscRecord(database, "ID29999"))[1].size(), 150000u);
}

TEST(ReadDatabaseTest, BytesAbove127AreOrdinaryCharacters) {
    // 0xA0 is a blank and 0xA1 a punctuation mark in Latin-1 locales, and 0xFF
    // reads as EOF when taken as a signed char; none of them splits.
    const GameDatabase database =
        ReadForSystem("ＳＬＰＳ00071 AB\xA0\xA1\xFF;Name;;;;;;PS1;;\n", "PS1");
    EXPECT_EQ(database.idList, (Strings{"ＳＬＰＳ00071", "AB\xA0\xA1\xFF"}));
}

TEST(ReadDatabaseTest, AsciiClassesAreThoseOfTheDefaultSeparatorInTheCLocale) {
    std::setlocale(LC_ALL, "C");
    for (int c = 1; c < 128; ++c) {
        if (c == ';' || c == '\n') continue;
        const std::string head = std::string("A") + char(c) + "B";
        Strings expected;
        for (const std::string& token :
             boost::tokenizer<boost::char_separator<char>>(head, boost::char_separator<char>())) {
            expected.push_back(token);
        }
        const GameDatabase database = ReadForSystem(head + ";Name;;;;;;PS1;;\n", "PS1");
        EXPECT_EQ(database.idList, expected) << "character " << c;
    }
}

TEST(ReadDatabaseTest, TakesLinesWhereAnyFieldIsTheSystem) {
    const GameDatabase database = ReadForSystem(
        "SLPS00001;PS2 game;;;;;;PS2;;\r\n"
        "SLPS00002;PS2 game naming PS1;;;;;;PS2;PS1;\r\n"
        "SLPS00003;Other system;;;;;;PS10;;\r\n"
        "SLPS00004;PS1 game;;;;;;PS1;;\r\n",
        "PS1");
    EXPECT_EQ(database.idList, (Strings{"SLPS00002", "SLPS00004"}));
}

TEST(ReadDatabaseTest, KeepsEveryCommentLineInOrder) {
    const GameDatabase database =
        ReadForSystem(";first comment\r\nSLPS00001;Name;;;;;;PS2;;\r\n;second ; PS2 ;\r\n", "PS1");
    EXPECT_TRUE(database.records.empty());
    EXPECT_EQ(database.commentLines, (Strings{";first comment", ";second ; PS2 ;"}));
}

TEST(ReadDatabaseTest, FirstRecordOfAnIdentifierStaysAndRepeatsAreListed) {
    const GameDatabase database = ReadForSystem(
        "SLPS00001;First;;;;;;PS1;;\r\nSLPS00002;Other;;;;;;PS1;;\r\nSLPS00001;Second;;;;;;PS1;;"
        "\r\n",
        "PS1");
    EXPECT_EQ(database.idList, (Strings{"SLPS00001", "SLPS00002", "SLPS00001"}));
    EXPECT_EQ(database.records.size(), 2u);
    EXPECT_EQ((*FindDiscRecord(database, "SLPS00001"))[1], "First");
}

TEST(ReadDatabaseTest, LineEndsAreLfWithAnOptionalCr) {
    const GameDatabase database = ReadForSystem(
        "A1;Crlf;;;;;;PS1;;\r\nA2;Lf;;;;;;PS1;;\nA3;Lone\rCr;;;;;;PS1;;\r\nA4;No end;;;;;;PS1;;",
        "PS1");
    EXPECT_EQ(database.idList, (Strings{"A1", "A2", "A3", "A4"}));
    EXPECT_EQ((*FindDiscRecord(database, "A3"))[1], "Lone\rCr");
    EXPECT_EQ((*FindDiscRecord(database, "A4"))[8], "");
}

TEST(ReadDatabaseTest, LineWithoutIdentifierAddsNothing) {
    const GameDatabase database = ReadForSystem(" \t;Name;;;;;;PS1;;\r\n", "PS1");
    EXPECT_TRUE(database.records.empty());
    EXPECT_TRUE(database.idList.empty());
}

TEST(ReadDatabaseTest, MissingFileLeavesTheDatabaseEmpty) {
    TempDir dir;
    GameDatabase database;
    ReadDatabase(dir / "absent.csv", "PS1", database);
    ReadDatabaseFile(dir / "absent.csv", database);
    EXPECT_TRUE(database.records.empty());
    EXPECT_TRUE(database.idList.empty());
    EXPECT_TRUE(database.commentLines.empty());
}

TEST(ReadDatabaseFileTest, TakesEveryLineWholeWithoutFilter) {
    const GameDatabase database = ReadWhole(";header\r\nSLPS-00071 X;Name;;;;;;PS2;;\r\n\r\n");
    EXPECT_EQ(database.idList, (Strings{"SLPS-00071 X", ""}));
    EXPECT_EQ((*FindDiscRecord(database, "SLPS-00071 X"))[7], "PS2");
    ASSERT_TRUE(FindDiscRecord(database, ""));
    EXPECT_EQ(*FindDiscRecord(database, ""), DiscRecord{});
}

TEST(WriteDatabaseTest, WritesCommentsThenRecordsInByteOrderWithCrLf) {
    TempDir dir;
    const GameDatabase database = ReadWhole(
        "b;lower b;;;;;;PS1;;\r\n;header\r\nB;upper B;;;;;;PS1;;\r\nab;;;;;;;PS1;;\r\n"
        "\xE3\x82\xA2;kana;;;;;;PS1;;\r\na;lower a;;;;;;PS1;;\r\n;footer\r\n\r\n");
    ASSERT_TRUE(WriteDatabase(dir / "out.csv", database));
    EXPECT_EQ(ReadFile(dir / "out.csv"),
              ";header\r\n;footer\r\n;;;;;;;;;\r\nB;upper B;;;;;;PS1;;\r\na;lower a;;;;;;PS1;;\r\n"
              "ab;;;;;;;PS1;;\r\nb;lower b;;;;;;PS1;;\r\n\xE3\x82\xA2;kana;;;;;;PS1;;\r\n");
}

TEST(WriteDatabaseTest, ReplacesAnExistingFileWhole) {
    TempDir dir;
    WriteFile(dir / "db.csv", std::string(10000, 'x'));
    GameDatabase database;
    AddDiscRecord(database, SplitDatabaseLine("A;Name;;;;;;PS1;;"));
    ASSERT_TRUE(WriteDatabase(dir / "db.csv", database));
    EXPECT_EQ(ReadFile(dir / "db.csv"), "A;Name;;;;;;PS1;;\r\n");
    EXPECT_EQ(testsupport::ListNames(dir.Path()), Strings{"db.csv"});
}

TEST(WriteDatabaseTest, FailureIsReportedAndLeavesTheTargetAlone) {
    TempDir dir;
    GameDatabase database;
    AddDiscRecord(database, SplitDatabaseLine("A;Name;;;;;;PS1;;"));

    EXPECT_FALSE(WriteDatabase(dir / "missing/db.csv", database));
    EXPECT_EQ(platform::KindOf(dir / "missing"), platform::PathKind::Missing);

    testsupport::MakeDirs(dir / "taken");
    WriteFile(dir / "taken/inside", "kept");
    EXPECT_FALSE(WriteDatabase(dir / "taken", database));
    EXPECT_EQ(ReadFile(dir / "taken/inside"), "kept");
    EXPECT_EQ(testsupport::ListNames(dir.Path()), Strings{"taken"});
}

// The real game lists: every identifier is found with its line byte for byte,
// and a write and a re-read give the same database.
class CorpusDatabaseTest : public testing::TestWithParam<const char*> {};

TEST_P(CorpusDatabaseTest, ReadsWithoutLossAndSurvivesAWrite) {
    const std::string corpus = testsupport::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "no test corpus";
    const std::string system = GetParam();
    const std::string path = corpus + "/databases/" + platform::ToLowerAscii(system) + ".csv";

    // The file's lines, split here independently of the reader.
    const std::string content = ReadFile(path);
    Strings lines;
    for (std::size_t start = 0; start < content.size();) {
        const std::size_t end = content.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        lines.push_back(content.substr(start, end - start));
        start = end + 2;
    }
    ASSERT_GT(lines.size(), 1000u);

    GameDatabase forRun;
    ReadDatabase(path, system, forRun);
    GameDatabase whole;
    ReadDatabaseFile(path, whole);
    EXPECT_EQ(forRun.commentLines, Strings{lines[0]});
    EXPECT_EQ(whole.commentLines, Strings{lines[0]});
    ASSERT_EQ(forRun.idList.size(), lines.size() - 1);
    ASSERT_EQ(whole.idList, forRun.idList);

    std::set<std::string> seen;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string identifier = lines[i].substr(0, lines[i].find(';'));
        ASSERT_EQ(forRun.idList[i - 1], identifier);
        if (!seen.insert(identifier).second) continue;  // a repeat: the first line's record stays
        for (const GameDatabase* database : {&forRun, &whole}) {
            const std::optional<DiscRecord> record = FindDiscRecord(*database, identifier);
            ASSERT_TRUE(record) << identifier;
            ASSERT_EQ(JoinDatabaseLine(*record), lines[i]);
        }
    }

    TempDir dir;
    ASSERT_TRUE(WriteDatabase(dir / "copy.csv", whole));
    GameDatabase reread;
    ReadDatabaseFile(dir / "copy.csv", reread);
    ASSERT_EQ(reread.records.size(), whole.records.size());
    for (const auto& [identifier, line] : whole.records) {
        EXPECT_EQ(FindDiscRecord(reread, identifier), RecordOf(identifier, *line));
    }
    EXPECT_EQ(reread.commentLines, whole.commentLines);
}

INSTANTIATE_TEST_SUITE_P(GameLists, CorpusDatabaseTest, testing::Values("PS1", "PS2", "PSP"));
