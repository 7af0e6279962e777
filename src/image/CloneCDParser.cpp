#include "image/CloneCDParser.h"

#include <array>
#include <cstdint>
#include <optional>

#include "image/DescriptorFile.h"
#include "image/DescriptorText.h"
#include "image/SectionedKeyText.h"

namespace {

// A control file of a full disc is some tens of kilobytes.
constexpr std::size_t MAX_CONTROL_BYTES = 1 << 20;

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
    TocWalk(const SectionedKeyText& control, const std::string& dataFile,
            const std::array<std::int32_t, MAX_SESSIONS>& preGapMode, TrackTable& table)
        : control(control), dataFile(dataFile), preGapMode(preGapMode), table(table) {}

    // One "Entry n" section; false when the control file must be refused.
    bool Apply(const std::string& section);

private:
    bool Track(const std::string& section, std::uint32_t point);

    const SectionedKeyText& control;
    const std::string& dataFile;
    const std::array<std::int32_t, MAX_SESSIONS>& preGapMode;
    TrackTable& table;
    std::int64_t currentLeadOut = 0;
    std::int64_t previousLeadOut = 0;
    std::int64_t sessionGap = 0;
    std::int32_t currentSession = 0;
};

bool TocWalk::Apply(const std::string& section) {
    // An entry without a readable point says nothing about the layout.
    const std::optional<std::uint32_t> point = ScanHex(control.Value(section, "Point"));
    if (!point) return true;
    if (*point == LEAD_OUT_POINT) {
        previousLeadOut = currentLeadOut;
        currentLeadOut = ScanInteger(control.Value(section, "PLBA"));
        return true;
    }
    if (*point <= LAST_TRACK_POINT) return Track(section, *point);
    return true;
}

bool TocWalk::Track(const std::string& section, std::uint32_t point) {
    const std::int64_t row = std::int64_t(point) - 1;
    if (!IsTableRow(row) || !IsTableRow(table.trackCount)) return false;

    const std::int32_t start = ScanInteger(control.Value(section, "PLBA"));
    const std::int64_t session = std::int64_t(ScanInteger(control.Value(section, "Session"))) - 1;
    if (session < 0 || session >= MAX_SESSIONS) return false;
    if (session != currentSession) {
        sessionGap += start - previousLeadOut;
        currentSession = std::int32_t(session);
    }
    const std::int64_t offset = (start - sessionGap) * RAW_SECTOR;
    if (!FitsDataOffset(offset)) return false;

    TrackEntry& entry = table.rows[std::size_t(row)];
    entry.index = std::int32_t(row);
    entry.file = dataFile;
    entry.sectorSize = std::int32_t(RAW_SECTOR);
    entry.start = start;
    entry.dataOffset = std::int32_t(offset);
    const std::uint32_t controlBits = ScanHex(control.Value(section, "Control")).value_or(0);
    if ((controlBits & CONTROL_DATA_TRACK) == 0) {
        entry.mode = TrackMode::Audio;
    } else {
        entry.mode =
            preGapMode[std::size_t(currentSession)] == 2 ? TrackMode::Mode2 : TrackMode::Mode1;
    }
    ++table.trackCount;
    return true;
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

bool ParseCloneCD(std::string_view text, const std::string& controlPath, TrackTable& table) {
    const std::string dataFile = CloneCDDataFile(controlPath);
    const std::optional<std::uint64_t> dataSize = ReadableFileSize(dataFile);
    if (!dataSize || *dataSize == 0) return false;

    const SectionedKeyText control(text);
    if (!control.IsValid() || !control.HasSection("CloneCD")) return false;
    const std::string version = control.Value("CloneCD", "Version");
    if (version.empty() || ScanInteger(version) != 2) return false;
    const std::string tocEntries = control.Value("Disc", "TocEntries");
    const std::string sessions = control.Value("Disc", "Sessions");
    const std::string scrambled = control.Value("Disc", "DataTracksScrambled");
    if (tocEntries.empty() || sessions.empty() || scrambled.empty() ||
        ScanInteger(scrambled) != 0) {
        return false;
    }

    const std::int32_t sessionCount = ScanInteger(sessions);
    if (sessionCount > MAX_SESSIONS) return false;
    std::array<std::int32_t, MAX_SESSIONS> preGapMode{};
    for (std::int32_t session = 1; session <= sessionCount; ++session) {
        const std::string mode = control.Value(SectionName("Session", session), "PreGapMode");
        if (mode.empty()) return false;
        preGapMode[std::size_t(session - 1)] = ScanInteger(mode);
    }

    const std::int32_t entryCount = ScanInteger(tocEntries);
    if (entryCount > MAX_TOC_ENTRIES) return false;
    TocWalk walk(control, dataFile, preGapMode, table);
    for (std::int32_t entry = 0; entry < entryCount; ++entry) {
        if (!walk.Apply(SectionName("Entry", entry))) return false;
    }
    return true;
}

bool ReadCloneCD(const std::string& controlPath, TrackTable& table) {
    const std::optional<std::string> text = ReadDescriptorText(controlPath, MAX_CONTROL_BYTES);
    return text && ParseCloneCD(*text, controlPath, table);
}
