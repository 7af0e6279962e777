#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "gamedb/GameDatabase.h"
#include "naming/LineTable.h"
#include "naming/RenamingFormula.h"
#include "platform/RebuildableFile.h"

// The inventory of a collection, per system, in three files in the current
// directory (the start-up directory during a run):
//   "HaveID (PS2).dat"   the identifiers found so far, one per line, sorted;
//   "Have list (PS2).txt" a count line, an empty line, one line per game held;
//   "Miss list (PS2).txt" the same for the database's games not held.
// List lines are the list formula expanded per game, names in half width;
// games whose lines coincide give one line. Lines are in list order: by the
// text with ASCII letters lower-cased, texts that differ only in case in byte
// order. Every file is rewritten whole through a temporary file.
//
// An identifier held but not in the database (found with another database
// file, for example) stays in the inventory: it is counted as held, and its
// list line is the formula expanded for a record that holds only the
// identifier. The missing count is that of the database's games not held.

// Identifiers in byte order, no repeats.
using HaveSet = std::set<std::string>;

std::string HaveIdFileName(std::string_view systemText);
std::string HaveListFileName(std::string_view systemText);
std::string MissListFileName(std::string_view systemText);

// Adds each line of the system's have-identifier file to `haveIds` (an empty
// line adds the empty text). No file leaves the set as it was. The outcome
// tells a missing file from one that exists but could not be read: the
// inventory of earlier runs must not be written over then.
platform::SmallFile::Outcome LoadHaveIds(std::string_view systemText, HaveSet& haveIds);
// The same for a have-identifier file's text.
void AddHaveIds(std::string_view text, HaveSet& haveIds);

// Writes the three files from scratch, expanding the list formula for every
// game. False when a file could not be written (the others are still written).
bool WriteHaveMissLists(std::string_view systemText, const HaveSet& haveIds,
                        const GameDatabase& database, const std::string& listFormula);

// List order: ASCII case ignored first, then bytes. Texts are equivalent only
// when they are equal, so an ordered set of lines both drops repeated lines and
// gives list order.
struct ListOrderLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

// The inventory of one rename run. The run rewrites the files before every
// disc, so this object expands each game's line once, keeps track of what is
// held and missing as identifiers arrive, and per Write only writes. Its files
// are byte for byte those of WriteHaveMissLists for the same have set.
//
// In a run: build it after LoadHaveIds and the database read; before each
// candidate, Write when Changed; AddHaveId for every disc renamed; Finish
// after the loop.
class HaveMissInventory {
public:
    HaveMissInventory(std::string_view systemText, const GameDatabase& database,
                      const std::string& listFormula, const HaveSet& loadedIds);

    void AddHaveId(const std::string& identifier);

    // True until the files show the current have set: before the first
    // successful Write and after an identifier was added.
    bool Changed() const { return changed; }

    // Rewrites the three files; false when one could not be written. Each
    // file changes places with a spare beside it, so the files are never seen
    // half written and no file is created per write (creating one file per
    // renamed disc slows ext4 down more with every disc).
    bool Write();

    // The last write of a run: the identifier file, the one file that cannot
    // be rebuilt from the others, is renamed over the old one, which makes
    // ext4 write it out at once.
    bool Finish();

    // The files the last Write or Finish could not write.
    std::vector<std::string> UnwrittenFiles() const;

private:
    // The three files' texts from the current have set.
    void BuildTexts();

    using Marks = std::vector<std::uint32_t>;

    std::string systemText;
    FormulaSettings listSettings;
    platform::RebuildableFile haveIdFile;
    platform::RebuildableFile haveListFile;
    platform::RebuildableFile missListFile;

    // The database's games in identifier order, whether each is held, and the
    // index of its line in `lines`.
    LineTable identifiers;
    Marks held;
    std::vector<std::uint32_t> lineOfGame;
    std::size_t heldCount = 0;

    // The distinct lines of the games, in list order, with the number of held
    // and of missing games that give each.
    LineTable lines;
    Marks heldPerLine;
    Marks missingPerLine;

    // Held identifiers the database lacks, and their lines.
    HaveSet unknownIds;
    std::set<std::string, ListOrderLess> unknownLines;

    bool changed = true;
    std::array<bool, 3> written{true, true, true};
    // Kept from Write to Write, so a call does not allocate.
    std::string haveIdText;
    std::string haveListText;
    std::string missListText;
};
