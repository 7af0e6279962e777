#include "verify/DatHashes.h"

#include <algorithm>

#include "gamedb/DatRecords.h"
#include "platform/AsciiCase.h"
#include "platform/DecimalText.h"

namespace {

std::optional<std::uint32_t> HexCrc(std::string_view text) {
    if (text.empty() || text.size() > 8) return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : text) {
        const char lower = platform::ToLowerAscii(c);
        const int digit = lower >= '0' && lower <= '9'   ? lower - '0'
                          : lower >= 'a' && lower <= 'f' ? lower - 'a' + 10
                                                         : -1;
        if (digit < 0) return std::nullopt;
        value = value << 4 | std::uint32_t(digit);
    }
    return value;
}

std::optional<std::string> HexSha1(std::string_view text) {
    if (text.empty()) return std::string();
    if (text.size() != 40) return std::nullopt;
    std::string lower = platform::ToLowerAscii(text);
    if (lower.find_first_not_of("0123456789abcdef") != std::string::npos) return std::nullopt;
    return lower;
}

void AddOnce(std::vector<std::size_t>& list, std::size_t game) {
    if (list.empty() || list.back() != game) list.push_back(game);
}

}  // namespace

bool IsCueSheetName(const std::string& name) {
    return name.size() >= 4 &&
           platform::EqualsIgnoreCase(std::string_view(name).substr(name.size() - 4), ".cue");
}

DatHashes::DatHashes(const std::vector<std::string>& datFiles) {
    for (const std::string& path : datFiles) {
        const DatReading reading = ReadDatFile(path, [this](const DatGame& game) { Add(game); });
        if (!reading.valid) problems.push_back({path, reading.error});
    }
}

void DatHashes::Add(const DatGame& game) {
    DatHashGame entry;
    entry.name = std::string(DatTrimmed(game.name));
    for (const DatRom& rom : game.roms) {
        if (IsCueSheetName(std::string(DatTrimmed(rom.name)))) continue;
        const auto size =
            platform::DecimalNumber(DatTrimmed(rom.size), platform::MAX_DECIMAL_DIGITS);
        const auto crc = HexCrc(DatTrimmed(rom.crc));
        const auto sha1 = HexSha1(DatTrimmed(rom.sha1));
        if (!size || !crc || !sha1) {
            ++unusable;
            return;
        }
        entry.tracks.push_back({std::string(DatTrimmed(rom.name)), *size, *crc, *sha1});
    }
    if (entry.tracks.empty()) return;
    const std::size_t index = games.size();
    std::string serials = game.serial;
    for (std::size_t start = 0; start <= serials.size();) {
        const std::size_t comma = std::min(serials.find(',', start), serials.size());
        const std::string identifier =
            DatIdentifier(std::string_view(serials).substr(start, comma - start));
        if (!identifier.empty()) {
            entry.identifiers.push_back(identifier);
            AddOnce(byIdentifier[identifier], index);
        }
        start = comma + 1;
    }
    for (const DatTrack& track : entry.tracks) AddOnce(bySize[track.size], index);
    games.push_back(std::move(entry));
}

std::vector<std::size_t> DatHashes::GamesWithIdentifier(const std::string& identifier) const {
    const auto found = byIdentifier.find(identifier);
    return found == byIdentifier.end() ? std::vector<std::size_t>() : found->second;
}

std::vector<std::size_t> DatHashes::GamesWithTrackSize(std::uint64_t size) const {
    const auto found = bySize.find(size);
    return found == bySize.end() ? std::vector<std::size_t>() : found->second;
}
