#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "gamedb/DatFile.h"

// One file of a DAT game that a dump must match: a track's .bin, an .iso.
struct DatTrack {
    std::string name;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    std::string sha1;  // lower case; empty when the DAT gives none
};

struct DatHashGame {
    std::string name;
    std::vector<std::string> identifiers;  // the game codes of its serials
    std::vector<DatTrack> tracks;          // in the DAT's order
};

// Why a DAT file could not be taken.
struct DatHashProblem {
    std::string path;
    std::string what;
};

// The games of the DAT files, indexed by game code and by track size, so
// that a disc is compared with its few games only. Cue sheets the DAT lists
// are left out: a sheet is rewritten whenever its files are renamed, and a
// compressed image has none, so only the tracks say whether a dump is good.
// A file the DAT lists without a size or with a malformed size or CRC makes
// its game one that no dump can match, and is counted in `unusable`.
class DatHashes {
public:
    explicit DatHashes(const std::vector<std::string>& datFiles);

    // Every file read whole and well formed.
    bool Valid() const { return problems.empty(); }
    const std::vector<DatHashProblem>& Problems() const { return problems; }

    const std::vector<DatHashGame>& Games() const { return games; }
    // The games listing this game code (SLUS00001) among their serials.
    std::vector<std::size_t> GamesWithIdentifier(const std::string& identifier) const;
    // The games with a track of exactly this size.
    std::vector<std::size_t> GamesWithTrackSize(std::uint64_t size) const;

    std::size_t unusable = 0;

private:
    void Add(const DatGame& game);

    std::vector<DatHashGame> games;
    std::vector<DatHashProblem> problems;
    std::unordered_map<std::string, std::vector<std::size_t>> byIdentifier;
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> bySize;
};

// Whether a file name is a cue sheet's (".cue", any case).
bool IsCueSheetName(const std::string& name);
