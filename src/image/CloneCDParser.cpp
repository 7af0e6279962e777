#include "image/CloneCDParser.h"

#include <array>
#include <cstdint>
#include <optional>

#include "image/DescriptorText.h"
#include "image/SectionedKeyText.h"

namespace {

constexpr std::int32_t MAX_SESSIONS = 100;

// 99 track points and the lead-in points (A0, A1, A2, B0, C0, ...) of at most
// 100 sessions stay far below this; a larger count is damage, and walking it
// would only look up sections that cannot exist.
constexpr std::int32_t MAX_TOC_ENTRIES = 4096;

constexpr std::int64_t RAW_SECTOR = 2352;
constexpr std::uint32_t LAST_TRACK_POINT = 0x9F;
constexpr std::uint32_t LEAD_OUT_POINT = 0xA2;
constexpr std::uint32_t CONTROL_DATA_TRACK = 0x04;

std::string SectionName(const char* prefix, std::int32_t number) {
    return std::string(prefix) + " " + std::to_string(number);
}

// The table-of-contents walk: lead-outs seen so far and the gap the sessions
// before the current one leave between the disc's sectors and the file's.
class TocWalk {
public:
    TocWalk(const SectionedKeyText& control,
            const std::array<std::int32_t, MAX_SESSIONS>& preGapMode, DescriptorParse& parse)
        : control(control), preGapMode(preGapMode), parse(parse), table(parse.table) {}

    // One "Entry n" section; false, with the reason, when the control file
    // must be refused.
    bool Apply(const std::string& section);

    // After the last entry: how many sectors each track holds, up to the next
    // track of its session or the session's lead-out.
    void EndTracks();

private:
    bool Track(const std::string& section, std::uint32_t point);

    bool Refuse(const std::string& section, const std::string& reason) {
        parse.reason = "[" + section + "]: " + reason;
        return false;
    }

    const SectionedKeyText& control;
    const std::array<std::int32_t, MAX_SESSIONS>& preGapMode;
    DescriptorParse& parse;
    TrackTable& table;
    std::int64_t currentLeadOut = 0;
    std::int64_t previousLeadOut = 0;
    std::int64_t sessionGap = 0;
    std::int32_t currentSession = 0;
    bool sessionHasTrack = false;
    std::int64_t previousTrackStart = 0;
    std::array<std::int32_t, TrackTable::MAX_TRACKS> rowSession{};
    // Each session's lead-out, where its last track ends; 0 until seen.
    std::array<std::int64_t, MAX_SESSIONS> sessionLeadOut{};
};

bool TocWalk::Apply(const std::string& section) {
    // An entry without a readable point says nothing about the layout.
    const std::optional<std::uint32_t> point = ScanHex(control.Value(section, "Point"));
    if (!point) return true;
    if (*point == LEAD_OUT_POINT) {
        previousLeadOut = currentLeadOut;
        currentLeadOut = ScanInteger(control.Value(section, "PLBA"));
        const std::int64_t session = ScanInteger(control.Value(section, "Session")) - 1;
        if (session >= 0 && session < MAX_SESSIONS) {
            sessionLeadOut[std::size_t(session)] = currentLeadOut;
        }
        return true;
    }
    if (*point <= LAST_TRACK_POINT) return Track(section, *point);
    return true;
}

bool TocWalk::Track(const std::string& section, std::uint32_t point) {
    const std::int64_t row = std::int64_t(point) - 1;
    TrackEntry* entry = table.Row(row);
    if (entry == nullptr) return Refuse(section, "track point 0");
    if (!table.SetCount(table.Count() + 1)) return Refuse(section, "more than 99 tracks");

    const std::int32_t start = ScanInteger(control.Value(section, "PLBA"));
    const std::int64_t session = std::int64_t(ScanInteger(control.Value(section, "Session"))) - 1;
    if (session < 0 || session >= MAX_SESSIONS) return Refuse(section, "no such session");
    if (session != currentSession) {
        sessionGap += start - previousLeadOut;
        currentSession = std::int32_t(session);
        sessionHasTrack = false;
    }
    const std::int64_t offset = (start - sessionGap) * RAW_SECTOR;
    if (!FitsDataOffset(offset)) return Refuse(section, "track start too far");

    entry->index = std::int32_t(row);
    entry->sectorSize = std::int32_t(RAW_SECTOR);
    entry->start = start;
    entry->dataOffset = offset;
    entry->firstSector = start;
    rowSession[std::size_t(row)] = currentSession;
    // The track's section tells where its pregap begins; the image holds it
    // right before index 1, except before a session's first track.
    const std::string trackSection = SectionName("TRACK", std::int32_t(point));
    const std::string indexZero = control.Value(trackSection, "INDEX 0");
    const std::int64_t pregap = std::int64_t(start) - ScanInteger(indexZero);
    if (sessionHasTrack && !indexZero.empty() &&
        ScanInteger(control.Value(trackSection, "INDEX 1")) == start && pregap > 0 &&
        pregap < start - previousTrackStart) {
        entry->pregapSectors = pregap;
    }
    sessionHasTrack = true;
    previousTrackStart = start;
    const std::uint32_t controlBits = ScanHex(control.Value(section, "Control")).value_or(0);
    if ((controlBits & CONTROL_DATA_TRACK) == 0) {
        entry->mode = TrackMode::Audio;
    } else {
        entry->mode =
            preGapMode[std::size_t(currentSession)] == 2 ? TrackMode::Mode2 : TrackMode::Mode1;
    }
    return true;
}

void TocWalk::EndTracks() {
    for (std::int32_t row = 0; row < table.Count(); ++row) {
        TrackEntry& entry = *table.Row(row);
        if (entry.mode == TrackMode::Unset) continue;
        const std::int32_t session = rowSession[std::size_t(row)];
        std::int64_t end = sessionLeadOut[std::size_t(session)];
        if (row + 1 < table.Count()) {
            const TrackEntry& next = table.At(row + 1);
            if (next.mode != TrackMode::Unset && rowSession[std::size_t(row) + 1] == session) {
                end = next.firstSector - next.pregapSectors;
            }
        }
        // Without a lead-out after it, the track runs to the end of the file.
        entry.sectorCount = end > entry.firstSector ? end - entry.firstSector : -1;
    }
}

}  // namespace

std::string CloneCDDataFile(const std::string& controlPath) {
    const std::size_t dot = controlPath.rfind('.');
    const std::size_t slash = controlPath.rfind('/');
    if (dot == std::string::npos && slash == std::string::npos) return ".img";
    if (dot == std::string::npos || (slash != std::string::npos && slash > dot)) {
        return controlPath + ".img";
    }
    return controlPath.substr(0, dot) + ".img";
}

DescriptorParse ParseCloneCD(std::string_view text) {
    const SectionedKeyText control(WithoutByteOrderMark(text));
    if (!control.IsValid()) return Refused("an entry stands before the first section");
    if (!control.HasSection("CloneCD")) return Refused("no [CloneCD] section");
    // Version 3 is what current CloneCD writes; it describes the disc with
    // the same sections and keys as version 2.
    const std::string version = control.Value("CloneCD", "Version");
    if (version.empty() || (ScanInteger(version) != 2 && ScanInteger(version) != 3)) {
        return Refused("[CloneCD] Version " + version + " is neither 2 nor 3");
    }
    const std::string tocEntries = control.Value("Disc", "TocEntries");
    const std::string sessions = control.Value("Disc", "Sessions");
    const std::string scrambled = control.Value("Disc", "DataTracksScrambled");
    if (tocEntries.empty() || sessions.empty() || scrambled.empty()) {
        return Refused("[Disc] lacks TocEntries, Sessions or DataTracksScrambled");
    }
    if (ScanInteger(scrambled) != 0) return Refused("scrambled data tracks");

    const std::int32_t sessionCount = ScanInteger(sessions);
    if (sessionCount > MAX_SESSIONS) return Refused("more than 100 sessions");
    std::array<std::int32_t, MAX_SESSIONS> preGapMode{};
    for (std::int32_t session = 1; session <= sessionCount; ++session) {
        const std::string section = SectionName("Session", session);
        const std::string mode = control.Value(section, "PreGapMode");
        if (mode.empty()) return Refused("[" + section + "] lacks PreGapMode");
        preGapMode[std::size_t(session - 1)] = ScanInteger(mode);
    }

    const std::int32_t entryCount = ScanInteger(tocEntries);
    if (entryCount > MAX_TOC_ENTRIES) return Refused("more than 4096 TocEntries");
    DescriptorParse parse;
    TocWalk walk(control, preGapMode, parse);
    for (std::int32_t entry = 0; entry < entryCount; ++entry) {
        if (!walk.Apply(SectionName("Entry", entry))) {
            parse.table = TrackTable{};
            return parse;
        }
    }
    walk.EndTracks();
    parse.accepted = true;
    return parse;
}
