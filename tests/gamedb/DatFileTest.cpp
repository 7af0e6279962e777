#include "gamedb/DatFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <tuple>
#include <vector>

#include "support/Files.h"
#include "support/TempDir.h"

using testsupport::TempDir;
using testsupport::WriteFile;
using namespace std::string_literals;

namespace {

// name, serial, region, languages, release date, files ("name size crc sha1;" each)
using Game =
    std::tuple<std::string, std::string, std::string, std::string, std::string, std::string>;
using Games = std::vector<Game>;

struct Parsed {
    DatReading reading;
    Games games;
};

// The text handed over in pieces of `pieceSize` bytes, so that tokens,
// entities and UTF-8 sequences straddle the seams.
Parsed Parse(const std::string& text, std::size_t pieceSize = 1 << 16) {
    Parsed parsed;
    std::size_t offset = 0;
    parsed.reading = ReadDat(
        [&]() -> std::string_view {
            const std::string_view piece = std::string_view(text).substr(offset, pieceSize);
            offset += piece.size();
            return piece;
        },
        [&](const DatGame& game) {
            std::string roms;
            for (const DatRom& rom : game.roms) {
                roms += rom.name + " " + rom.size + " " + rom.crc + " " + rom.sha1 + ";";
            }
            parsed.games.emplace_back(game.name, game.serial, game.region, game.languages,
                                      game.releaseDate, roms);
        });
    return parsed;
}

const std::string TEXT_DAT =
    "clrmamepro (\n"
    "\tname \"Sony - PlayStation\"\n"
    "\tversion 20240101\n"
    ")\n"
    "\n"
    "game (\n"
    "\tname \"Alpha (Europe) (En,Fr,De)\"\n"
    "\tdescription \"Alpha (Europe) (En,Fr,De)\"\n"
    "\tregion \"Europe\"\n"
    "\tserial \"SLES-02375, SLES-02376\"\n"
    "\treleaseyear \"1999\" releasemonth \"9\" releaseday \"17\"\n"
    "\trom ( name \"Alpha (Europe) (Track 1).bin\" size 1234 crc 01234567 serial \"NOPE-1\"\n"
    "\t\tsha1 0123456789abcdef0123456789abcdef01234567 md5 00 )\n"
    "\trom ( name \"Alpha (Europe) (Track 2).bin\" size 99 crc 89abcdef )\n"
    ")\n"
    "game ( name Beta serial SLPS-00071 serial SLPS-00072 languages Ja releaseyear 1996 )\n"
    "machine ( name \"Gamma (USA)\" description \"(\" rom ( name \"g.bin\" size 1 ) )\n"
    "resource ( name \"Not a game\" serial \"SCUS-00000\" )\n"
    "GAME ( NAME \"Delta ドラゴン\" SERIAL \"slpm-86001\" )\n";

const std::string XML_DAT =
    "\xEF\xBB\xBF\n  <?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE datafile PUBLIC \"-//Logiqx//DTD ROM Management Datafile//EN\" "
    "\"http://www.logiqx.com/Dats/datafile.dtd\">\n"
    "<datafile>\n"
    "\t<header><name>Sony - PlayStation</name><date>2024-01-01</date></header>\n"
    "\t<game name=\"Alpha (Europe) (En,Fr,De)\">\n"
    "\t\t<description>Alpha</description>\n"
    "\t\t<serial>\n SLES-02375, SLES-02376 \n</serial>\n"
    "\t\t<region>Europe</region>\n"
    "\t\t<rom name=\"a.bin\" size=\"1\" crc=\"01234567\" md5=\"00\" sha1=\"89ABCDEF\"/>\n"
    "\t</game>\n"
    "\t<game name=\"Beta &amp; &#x30C9;\">\n"
    "\t\t<release name=\"Beta\" region=\"JPN\" language=\"Ja\" date=\"1996-12-01\"/>\n"
    "\t\t<release name=\"Beta\" region=\"USA\" language=\"En\"/>\n"
    "\t\t<serial><![CDATA[SLPS-00071]]></serial><serial>SLPS-00072</serial>\n"
    "\t\t<name>Not the name</name>\n"
    "\t</game>\n"
    "\t<machine name=\"Gamma (USA)\"><languages>En</languages><date>19970301</date></machine>\n"
    "\t<game name=\"Delta\"><rom name=\"d.bin\"><serial>NOPE-1</serial></rom></game>\n"
    "</datafile>\n";

}  // namespace

TEST(DatFileTest, BothFormatsGiveEveryGameWithItsFieldsInAnyPieces) {
    const Games textGames = {
        // A file's own keys (its serial among them) stay with the file.
        {"Alpha (Europe) (En,Fr,De)", "SLES-02375, SLES-02376", "Europe", "", "1999-9-17",
         "Alpha (Europe) (Track 1).bin 1234 01234567 0123456789abcdef0123456789abcdef01234567;"
         "Alpha (Europe) (Track 2).bin 99 89abcdef ;"},
        // Repeated serials add up; a year alone is no date.
        {"Beta", "SLPS-00071, SLPS-00072", "", "Ja", "", ""},
        {"Gamma (USA)", "", "", "", "", "g.bin 1  ;"},
        {"Delta ドラゴン", "slpm-86001", "", "", "", ""},
    };
    const Games xmlGames = {
        {"Alpha (Europe) (En,Fr,De)", "SLES-02375, SLES-02376", "Europe", "", "",
         "a.bin 1 01234567 89ABCDEF;"},
        // The first release gives region, language and date; entities and
        // character references come out as UTF-8.
        {"Beta & ド", "SLPS-00071, SLPS-00072", "JPN", "Ja", "1996-12-01", ""},
        {"Gamma (USA)", "", "", "En", "19970301", ""},
        {"Delta", "", "", "", "", "d.bin   ;"},
    };
    const std::vector<std::pair<std::string, Games>> formats = {{TEXT_DAT, textGames},
                                                                {XML_DAT, xmlGames}};
    for (const auto& [text, expected] : formats) {
        for (const std::size_t pieceSize : {std::size_t(1), std::size_t(7), text.size()}) {
            const Parsed parsed = Parse(text, pieceSize);
            EXPECT_TRUE(parsed.reading.valid) << parsed.reading.error;
            EXPECT_EQ(parsed.reading.games, expected.size());
            EXPECT_EQ(parsed.games, expected) << "pieces of " << pieceSize;
        }
        // Cut short before its last closing character, a DAT is damaged.
        EXPECT_FALSE(Parse(text.substr(0, text.find_last_of(")>"))).reading.valid);
    }
    // Latin-1 XML comes out as UTF-8.
    const Parsed latin = Parse(
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><datafile><game name=\"Caf\xE9\"/>"
        "</datafile>");
    EXPECT_EQ(latin.games, (Games{{"Caf\xC3\xA9", "", "", "", "", ""}}));
    // Nothing at all is a well-formed text DAT without games.
    EXPECT_TRUE(Parse(" \n").reading.valid);
    EXPECT_EQ(Parse("").reading.games, 0u);
}

TEST(DatFileTest, AHeaderMarksADatThatListsNoGame) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"clrmamepro (\n\tname \"Sony - PlayStation - Demos\"\n\tversion 1\n)\n", true},
        {"emulator ( name \"old\" )\n", true},
        {"<?xml version=\"1.0\"?><datafile><header><name>x</name></header></datafile>", true},
        {TEXT_DAT, true},
        {XML_DAT, true},
        {"", false},
        {"game ( name x )", false},
        {"<datafile><game name=\"x\"><header/></game></datafile>", false},
        {"notes ( clrmamepro ( name x ) )", false},
    };
    for (const auto& [text, header] : cases) {
        const Parsed parsed = Parse(text);
        EXPECT_TRUE(parsed.reading.valid) << text;
        EXPECT_EQ(parsed.reading.header, header) << text;
    }
}

TEST(DatFileTest, DamagedFilesAreRefusedWithTheirLine) {
    std::string nested = "game ( ";
    for (std::size_t i = 1; i <= DAT_MAX_DEPTH; ++i) nested += "b ( ";
    std::string deepXml = "<datafile>";
    for (std::size_t i = 0; i <= DAT_MAX_DEPTH; ++i) deepXml += "<x>";
    const std::string longValue(DAT_MAX_VALUE_BYTES + 1, 'x');
    std::string manyRoms, manyXmlRoms;
    for (std::size_t i = 0; i <= DAT_MAX_ROMS_PER_GAME; ++i) {
        manyRoms += " rom ( name r )";
        manyXmlRoms += "<rom name=\"r\"/>";
    }
    const std::string laughs =
        "<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
        "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><datafile><game name=\"&b;\"/></datafile>";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"game ( name x\n", "line 2: the file ends inside a block"},
        {"game ( name x ) )", "line 1: ')' without '('"},
        {"game ( name \"x ) \n )", "line 1: a quoted value runs past the end of its line"},
        {"game ( name \"x", "line 1: the file ends inside a quoted value"},
        {"game ( name x\n\n serial )", "line 3: 'serial' has no value"},
        {"game ( name x )\n( )", "line 2: '(' without a name before it"},
        {"game ( name x ) trailing", "line 1: the file ends after 'trailing' without its value"},
        {"game ( name x ) \x1b[2J" + std::string(50, 'k'),
         "line 1: the file ends after '?[2J" + std::string(36, 'k') + "...' without its value"},
        {"game ( name x\0 )"s, "line 1: a NUL byte: this is no text DAT"},
        {nested, "line 1: blocks nested too deep"},
        {"game ( name " + longValue + " )", "line 1: a value longer than 64 KiB"},
        {"game ( name \"" + longValue + "\" )", "line 1: a value longer than 64 KiB"},
        {"<datafile><game name=\"x\">\n</datafile>", "line 2: mismatched tag"},
        {"<datafile><game name=\"x\"/>\n", "line 2: no element found"},
        {"<datafile><game><serial>" + longValue + "</serial></game></datafile>",
         "line 1: a value longer than 64 KiB"},
        {deepXml, "line 1: elements nested too deep"},
        {laughs, "line 1: the file declares an entity"},
        {"<datafile><game name=\"x\"/></datafile><datafile/>",
         "line 1: junk after document element"},
        {"game ( name x" + manyRoms + " )", "line 1: a game with more than 1024 files"},
        {"<datafile><game name=\"x\">" + manyXmlRoms + "</game></datafile>",
         "line 1: a game with more than 1024 files"},
    };
    for (const auto& [text, error] : cases) {
        const Parsed parsed = Parse(text, 5);
        EXPECT_FALSE(parsed.reading.valid) << text.substr(0, 80);
        EXPECT_EQ(parsed.reading.error, error) << text.substr(0, 80);
    }
}

TEST(DatFileTest, FilesAreReadFromDiskAndOnlyRegularFilesAreOpened) {
    TempDir dir;
    WriteFile(dir / "games.dat", TEXT_DAT);
    std::size_t taken = 0;
    const auto count = [&taken](const DatGame&) { ++taken; };
    const DatReading reading = ReadDatFile(dir / "games.dat", count);
    EXPECT_TRUE(reading.opened && reading.valid) << reading.error;
    EXPECT_EQ(taken, 4u);

    ASSERT_EQ(mkfifo((dir / "fifo.dat").c_str(), 0600), 0);
    testsupport::MakeDirs(dir / "folder.dat");
    for (const std::string name : {"fifo.dat", "folder.dat", "missing.dat"}) {
        const DatReading refused = ReadDatFile(dir / name, count);
        EXPECT_FALSE(refused.opened || refused.valid) << name;
        EXPECT_FALSE(refused.error.empty()) << name;
    }
    EXPECT_EQ(taken, 4u);
}
