#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Game lists ("DAT files") as preservation projects publish them, in the two
// formats collectors use: the clrmamepro text format
//
//     game ( name "Game (Europe)" serial "SLES-02375, SLES-02376" rom ( ... ) )
//
// and Logiqx XML (<game name="..."><serial>...</serial>...</game>). The files
// run to a hundred megabytes and more, so they are read as a stream: each
// game is handed on as soon as it is complete and nothing else is kept.

// One file of a game as the DAT lists it (a track's .bin, an .iso, a cue
// sheet), its fields as written: the size in decimal, the CRC-32 and SHA-1 in
// hexadecimal. Fields the DAT lacks stay empty.
struct DatRom {
    std::string name;
    std::string size;
    std::string crc;
    std::string sha1;
};

// What a DAT says about one game, as it writes it. Fields the DAT lacks stay
// empty.
struct DatGame {
    std::string name;
    std::string serial;  // one serial, or several separated by ','
    std::string region;
    std::string languages;
    // As written ("1997-09-07", "19970907", ...); the text format's three
    // keys releaseyear, releasemonth and releaseday joined as "1997-9-7".
    std::string releaseDate;
    std::vector<DatRom> roms;  // in the order the DAT lists them
};

using DatGameSink = std::function<void(const DatGame&)>;

// A value without the blanks (spaces, tabs, line ends) around it.
std::string_view DatTrimmed(std::string_view value);

// The bytes of a DAT in pieces: each call returns the next piece, an empty one
// at the end.
using DatPieces = std::function<std::string_view()>;

// A single value longer than this (a name, a serial, any word of the text
// format) marks the file as damaged; no game has such a name, and the cap
// keeps memory bounded whatever the file holds.
inline constexpr std::size_t DAT_MAX_VALUE_BYTES = std::size_t(64) * 1024;
// Blocks or elements nested deeper than this mark the file as damaged.
inline constexpr std::size_t DAT_MAX_DEPTH = 32;
// A game listing more files than this marks the file as damaged: a disc has
// at most 99 tracks, and the cap keeps memory bounded.
inline constexpr std::size_t DAT_MAX_ROMS_PER_GAME = 1024;

// One reader per DAT format. The constructor reads every piece and hands each
// game to the sink; `valid` tells whether the whole file was well formed, and
// `error` says what was wrong and on which line. Games handed on before a
// fault was found are not taken back: the caller decides what to keep.
class DatFileBase {
public:
    virtual ~DatFileBase() = default;
    DatFileBase(const DatFileBase&) = delete;
    DatFileBase& operator=(const DatFileBase&) = delete;

    bool valid = false;
    std::size_t games = 0;
    // The file has the header a DAT opens with (the text format's
    // "clrmamepro ( ... )" or "emulator ( ... )" block, the XML's <header>
    // element): a DAT, even when it lists no game.
    bool header = false;
    std::string error;

protected:
    DatFileBase() = default;
    // Records the first fault only; always false, for `return Fail(...)`.
    bool Fail(std::size_t line, const std::string& what);
    void Take(const DatGameSink& take, const DatGame& game);
};

// The clrmamepro text format: blocks of "name ( key value ... )", values bare
// words or double-quoted strings, nested blocks for roms and disks.
class ClrMameProDatFile final : public DatFileBase {
public:
    ClrMameProDatFile(const DatPieces& pieces, const DatGameSink& take);
};

// Logiqx XML, through expat: <game> or <machine> elements with the serial,
// region, languages and date as child elements or as attributes of <release>.
class LogiqxDatFile final : public DatFileBase {
public:
    LogiqxDatFile(const DatPieces& pieces, const DatGameSink& take);
};

// How reading a whole DAT went.
struct DatReading {
    bool opened = false;  // a regular file that could be opened
    bool valid = false;   // read whole, and well formed
    std::size_t games = 0;
    bool header = false;  // it opens with a DAT's header
    std::string error;    // what was wrong, and where
};

// Reads a DAT of either format: one whose first byte after blanks (and a
// byte-order mark) is '<' is XML, any other the text format.
DatReading ReadDat(const DatPieces& pieces, const DatGameSink& take);

// Reads the DAT file at `path` in pieces. Anything but a readable regular
// file (a folder, a FIFO, a device) is refused without reading.
DatReading ReadDatFile(const std::string& path, const DatGameSink& take);
