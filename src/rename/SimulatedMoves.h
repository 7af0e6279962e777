#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

// Moves decided but not made. A run that only shows what it would do decides
// each move on the disk as the moves before it would have left it: a name
// that an earlier move would free is free, one it would take is taken, and
// what is inside a folder that would move goes with it. With no move
// recorded, every answer is the disk's own.
class SimulatedMoves {
public:
    // Where the entry that `path` would name after the moves stands on the
    // disk now; nothing when a move would have taken it away.
    std::optional<std::string> OnDisk(const std::string& path) const;

    // Whether `path` would name an entry (a link counts as itself).
    bool Exists(const std::string& path) const;

    void Move(const std::string& from, const std::string& to);

private:
    std::vector<std::pair<std::string, std::string>> moves;
};
