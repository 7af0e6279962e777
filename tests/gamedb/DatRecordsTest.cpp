#include "gamedb/DatRecords.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using Pairs = std::vector<std::pair<std::string, std::string>>;

TEST(DatRecordsTest, SerialsBecomeGameCodesOrNothing) {
    for (const auto& [serial, identifier] : Pairs{
             {"SLUS-00001", "SLUS00001"},
             {" slps-00071 ", "SLPS00071"},
             {"ULJM05001", "ULJM05001"},
             {"SCES-0-2375", "SCES02375"},
             {"SLPS 00071", ""},
             {"SLPS_000.71", ""},
             {"SLES-02375#", ""},
             {"ＳＬＰＳ-00071", ""},
             {"-", ""},
             {"", ""},
         }) {
        EXPECT_EQ(DatIdentifier(serial), identifier) << serial;
    }
}

TEST(DatRecordsTest, ASerialWithASuffixOrAnEditionGivesTheGameCodeOfItsDisc) {
    // The redump lists write the printing after the code; the disc's boot
    // file gives four letters and five digits.
    for (const auto& [serial, identifier] : Pairs{
             {"SLES-03137-T", "SLES03137"},
             {"SLUS-01272GH", "SLUS01272"},
             {"SLES-04107/GER", "SLES04107"},
             {"SLES-04107/", "SLES04107"},
             {"sces-02105-p ", "SCES02105"},
             {"ULJM-05001-TEST", "ULJM05001"},
             // No code and a suffix: the digits go on, or the letters are too few.
             {"SLPS-000710", "SLPS000710"},
             {"LSP-99001X", "LSP99001X"},
             {"SLES-04107/GER#", "SLES04107"},
             {"SLES-0410/GER", "SLES0410"},
             {"/GER", ""},
         }) {
        EXPECT_EQ(DatIdentifier(serial), identifier) << serial;
    }
    // The serial stays as written.
    DatGame game;
    game.name = "Game (Germany)";
    game.serial = "SLES-04107/GER, SLUS-01272GH";
    const std::vector<DiscRecord> records = DatGameRecords(game, "PS1");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(JoinDatabaseLine(records[0]), "SLES04107;Game (Germany);;SLES-04107/GER;;;;PS1;;");
    EXPECT_EQ(JoinDatabaseLine(records[1]), "SLUS01272;Game (Germany);;SLUS-01272GH;;;;PS1;;");
}

TEST(DatRecordsTest, ReleaseDatesInTheDatabaseForm) {
    for (const auto& [text, date] : Pairs{
             {"1997-09-07", "19970907"},
             {"1997/9/7", "19970907"},
             {" 1997.12.31 ", "19971231"},
             {"19970907", "19970907"},
             {"1997-13-01", ""},
             {"1997-00-10", ""},
             {"1997-01-32", ""},
             {"1997-01", ""},
             {"1997", ""},
             {"97-09-07", ""},
             {"1997-09/07", ""},
             {"1997-009-07", ""},
             {"1997-x-07", ""},
             {"", ""},
         }) {
        EXPECT_EQ(DatReleaseDate(text), date) << text;
    }
}

TEST(DatRecordsTest, OneRecordPerUsableSerialWithTheGamesFields) {
    DatGame game;
    game.name = " Alpha; the (Europe)\t(En,Fr)\r\n";
    game.serial = "SLES-02375, ,bad serial, sles-02376";
    game.region = "Europe";
    game.languages = "En,Fr";
    game.releaseDate = "1999-09-07";
    const std::vector<DiscRecord> records = DatGameRecords(game, "PS1");
    const DiscRecord first = {"SLES02375", "Alpha, the (Europe) (En,Fr)",
                              "Europe",    "SLES-02375",
                              "",          "",
                              "19990907",  "PS1",
                              "En,Fr",     "",
                              ""};
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], first);
    DiscRecord second = first;
    second[0] = "SLES02376";
    second[3] = "sles-02376";
    EXPECT_EQ(records[1], second);
    EXPECT_EQ(JoinDatabaseLine(records[0]),
              "SLES02375;Alpha, the (Europe) (En,Fr);Europe;SLES-02375;;;19990907;PS1;En,Fr;");

    game.serial = "";
    EXPECT_TRUE(DatGameRecords(game, "PS1").empty());
    game.serial = "SLPS-00001";
    for (std::size_t i = 2; i <= DAT_MAX_SERIALS_PER_GAME; ++i) game.serial += ",SLPS-00001";
    EXPECT_EQ(DatGameRecords(game, "PS1").size(), DAT_MAX_SERIALS_PER_GAME);
    game.serial += ",SLPS-00002";
    EXPECT_TRUE(DatGameRecords(game, "PS1").empty());
}
