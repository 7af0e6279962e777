#include "rename/SimulatedMoves.h"

#include "platform/FileOps.h"
#include "platform/PathText.h"

std::optional<std::string> SimulatedMoves::OnDisk(const std::string& path) const {
    std::string current = path;
    // The latest move first: it decides what the name holds now.
    for (auto move = moves.rbegin(); move != moves.rend(); ++move) {
        if (const auto rest = platform::PathBelow(current, move->second)) {
            current = move->first + *rest;
        } else if (platform::PathBelow(current, move->first)) {
            return std::nullopt;
        }
    }
    return current;
}

bool SimulatedMoves::Exists(const std::string& path) const {
    const std::optional<std::string> onDisk = OnDisk(path);
    return onDisk && platform::NameTaken(*onDisk);
}

void SimulatedMoves::Move(const std::string& from, const std::string& to) {
    if (from != to) moves.emplace_back(from, to);
}
