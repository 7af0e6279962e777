#pragma once

#include <cstddef>
#include <string>

#include "verify/DatHashes.h"
#include "verify/DumpTracks.h"

enum class VerifyStatus { Verified, Mismatch, Incomplete, NotInDat, Unreadable };

// "verified", "mismatch", "incomplete", "not in DAT", "unreadable".
const char* VerifyStatusText(VerifyStatus status);

// What became of one disc: its status, the DAT game it was compared with
// (for a verified disc, the one it matches), and for the user what differs:
// which track, what was expected and what was found.
struct DumpVerdict {
    static constexpr std::size_t NO_GAME = std::size_t(-1);

    VerifyStatus status = VerifyStatus::NotInDat;
    std::size_t datGame = NO_GAME;  // its index among the DAT's games
    std::string datName;
    std::string detail;
};

// Compares a dump with the DAT games of its game code, or, when none has it
// (or the disc gave none), with the games that have tracks of its sizes and
// hashes. Sizes are compared first: the tracks are hashed (CRC-32 and SHA-1
// in one read) only when some game has every size right, or when the hashes
// are all there is to go by. A dump verifies when each of its tracks, in
// order, equals the track of one game, and that game has no other.
DumpVerdict VerifyDump(const DatHashes& dat, const std::string& identifier, DumpTracks& dump);
