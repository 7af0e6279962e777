#include "verify/DumpVerdict.h"

#include <algorithm>

namespace {

bool SameHashes(const DatTrack& expected, const TrackHash& found) {
    return expected.size == found.size && expected.crc == found.crc &&
           (expected.sha1.empty() || expected.sha1 == found.sha1);
}

// Whether a present track is the DAT's, by its hashes when it has them and by
// its size when it was not read.
bool Agrees(const DatTrack& expected, const DumpTrack& track) {
    if (!track.present) return false;
    return track.hash ? SameHashes(expected, *track.hash) : expected.size == track.size;
}

bool SameSizes(const DatHashGame& game, const DumpTracks& dump) {
    if (game.tracks.size() != dump.tracks.size()) return false;
    for (std::size_t i = 0; i < game.tracks.size(); ++i) {
        if (!dump.tracks[i].present || dump.tracks[i].size != game.tracks[i].size) return false;
    }
    return true;
}

std::size_t AgreeingTracks(const DatHashGame& game, const DumpTracks& dump) {
    std::size_t agreeing = 0;
    for (std::size_t i = 0; i < std::min(game.tracks.size(), dump.tracks.size()); ++i) {
        if (Agrees(game.tracks[i], dump.tracks[i])) ++agreeing;
    }
    return agreeing;
}

std::string Hex8(std::uint32_t value) {
    constexpr char DIGITS[] = "0123456789abcdef";
    std::string text(8, '0');
    for (int i = 7; i >= 0; --i, value >>= 4) text[std::size_t(i)] = DIGITS[value & 0xF];
    return text;
}

std::string Described(std::uint64_t size, std::uint32_t crc, const std::string& sha1,
                      bool withHashes) {
    std::string text = "size " + std::to_string(size);
    if (withHashes) text += " crc " + Hex8(crc) + (sha1.empty() ? "" : " sha1 " + sha1);
    return text;
}

std::string TrackName(std::size_t index, const std::string& label) {
    return "track " + std::to_string(index + 1) + " (" + label + ")";
}

void AddPart(std::string& detail, const std::string& part) {
    detail += (detail.empty() ? "" : "; ") + part;
}

// What keeps the dump from being `game`: the tracks missing or extra, or
// the first track that differs.
DumpVerdict Against(const DatHashes& dat, std::size_t index, const DumpTracks& dump) {
    const DatHashGame& game = dat.Games()[index];
    DumpVerdict verdict;
    verdict.datGame = index;
    verdict.datName = game.name;
    const std::size_t common = std::min(game.tracks.size(), dump.tracks.size());
    bool complete = game.tracks.size() == dump.tracks.size();
    for (std::size_t i = 0; i < common; ++i) {
        if (dump.tracks[i].present) continue;
        complete = false;
        AddPart(verdict.detail, TrackName(i, dump.tracks[i].label) + " missing");
    }
    for (std::size_t i = common; i < game.tracks.size(); ++i) {
        AddPart(verdict.detail, TrackName(i, game.tracks[i].name) + " missing");
    }
    for (std::size_t i = common; i < dump.tracks.size(); ++i) {
        AddPart(verdict.detail, TrackName(i, dump.tracks[i].label) + " extra");
    }
    if (!complete) {
        verdict.status = VerifyStatus::Incomplete;
        return verdict;
    }
    verdict.status = VerifyStatus::Mismatch;
    for (std::size_t i = 0; i < common; ++i) {
        const DatTrack& expected = game.tracks[i];
        const DumpTrack& track = dump.tracks[i];
        if (Agrees(expected, track)) continue;
        const bool hashed = track.hash.has_value();
        verdict.detail =
            TrackName(i, track.label) + ": expected " +
            Described(expected.size, expected.crc, expected.sha1, hashed) + ", found " +
            Described(track.size, hashed ? track.hash->crc : 0,
                      hashed && !expected.sha1.empty() ? track.hash->sha1 : "", hashed);
        break;
    }
    return verdict;
}

DumpVerdict Unreadable(const DumpTracks& dump) {
    for (const DumpTrack& track : dump.tracks) {
        if (!track.problem.empty()) {
            return {VerifyStatus::Unreadable, DumpVerdict::NO_GAME, {}, track.problem};
        }
    }
    return {VerifyStatus::Unreadable, DumpVerdict::NO_GAME, {}, dump.Problem()};
}

}  // namespace

const char* VerifyStatusText(VerifyStatus status) {
    switch (status) {
        case VerifyStatus::Verified:
            return "verified";
        case VerifyStatus::Mismatch:
            return "mismatch";
        case VerifyStatus::Incomplete:
            return "incomplete";
        case VerifyStatus::NotInDat:
            return "not in DAT";
        case VerifyStatus::Unreadable:
            return "unreadable";
    }
    return "";
}

DumpVerdict VerifyDump(const DatHashes& dat, const std::string& identifier, DumpTracks& dump) {
    if (!dump.Problem().empty()) return Unreadable(dump);
    std::vector<std::size_t> candidates =
        identifier.empty() ? std::vector<std::size_t>() : dat.GamesWithIdentifier(identifier);
    const bool bySerial = !candidates.empty();
    if (!bySerial) {
        for (const DumpTrack& track : dump.tracks) {
            if (!track.present) continue;
            for (const std::size_t game : dat.GamesWithTrackSize(track.size)) {
                if (std::find(candidates.begin(), candidates.end(), game) == candidates.end()) {
                    candidates.push_back(game);
                }
            }
        }
    }
    const auto& games = dat.Games();
    const bool sizesMatchSome =
        std::any_of(candidates.begin(), candidates.end(),
                    [&](std::size_t g) { return SameSizes(games[g], dump); });
    // Without a game code, a game of the same sizes is a stranger until the
    // hashes say otherwise.
    if ((sizesMatchSome || (!bySerial && !candidates.empty())) && !dump.HashAll()) {
        return Unreadable(dump);
    }
    for (const std::size_t game : candidates) {
        if (SameSizes(games[game], dump) &&
            AgreeingTracks(games[game], dump) == dump.tracks.size()) {
            return {VerifyStatus::Verified, game, games[game].name, {}};
        }
    }
    // The closest game: the most tracks alike, the first of the DAT's order
    // among equals. Matched by hashes alone, a game must share a track.
    std::size_t closest = DumpVerdict::NO_GAME;
    std::size_t best = 0;
    for (const std::size_t game : candidates) {
        const std::size_t agreeing = AgreeingTracks(games[game], dump);
        if (closest == DumpVerdict::NO_GAME ? (bySerial || agreeing > 0) : agreeing > best) {
            closest = game;
            best = agreeing;
        }
    }
    if (closest == DumpVerdict::NO_GAME) {
        return {VerifyStatus::NotInDat,
                DumpVerdict::NO_GAME,
                {},
                identifier.empty() ? "no DAT game has these tracks"
                                   : "no DAT game has " + identifier + " or these tracks"};
    }
    return Against(dat, closest, dump);
}
