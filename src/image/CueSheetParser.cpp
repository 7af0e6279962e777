#include "image/CueSheetParser.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "image/DescriptorFile.h"
#include "image/DescriptorText.h"
#include "platform/AsciiCase.h"
#include "platform/FileSearch.h"
#include "platform/PathText.h"

namespace {

// Real sheets are a few kilobytes; anything larger is some other file whose
// path happens to contain ".cue".
constexpr std::size_t MAX_SHEET_BYTES = 1 << 20;

constexpr std::int64_t RAW_SECTOR = 2352;

struct CueTrackType {
    std::string_view token;
    TrackMode mode;
    std::int32_t sectorSize;
};

constexpr std::array<CueTrackType, 8> TRACK_TYPES = {{
    {"AUDIO", TrackMode::Audio, 2352},
    {"CDG", TrackMode::Audio, 2448},
    {"MODE1/2048", TrackMode::Mode1, 2048},
    {"MODE1/2352", TrackMode::Mode1, 2352},
    {"MODE2/2336", TrackMode::Mode2, 2336},
    {"MODE2/2352", TrackMode::Mode2, 2352},
    {"CDI/2336", TrackMode::Mode2, 2336},
    {"CDI/2352", TrackMode::Mode2, 2352},
}};

const CueTrackType* FindTrackType(const std::string& token) {
    const std::string upper = platform::ToUpperAscii(token);
    for (const CueTrackType& type : TRACK_TYPES) {
        if (type.token == upper) return &type;
    }
    return nullptr;
}

// The data file of a FILE command: the name as written (relative to the
// current directory), else its last component beside the sheet. Sheets come
// from Windows collections, where GAME.BIN names game.bin, so the last try
// looks beside the sheet ignoring ASCII case.
std::optional<std::string> ResolveDataFile(const std::string& name, const std::string& sheetPath) {
    if (ReadableFileSize(name)) return name;

    const platform::PathSplit sheet = platform::SplitAtLastSeparator(sheetPath);
    const std::string prefix = sheet.hasSeparator ? sheet.folder + "/" : std::string();
    const std::string leaf = name.substr(name.rfind('/') + 1);
    if (ReadableFileSize(prefix + leaf)) return prefix + leaf;

    const std::string folder =
        sheet.hasSeparator ? (sheet.folder.empty() ? "/" : sheet.folder) : ".";
    for (const platform::FoundEntry& entry : platform::FindEntries(folder, leaf, "")) {
        if (!entry.isFolder && ReadableFileSize(prefix + entry.name)) return prefix + entry.name;
    }
    return std::nullopt;
}

// The walk through a sheet: which FILE is current and which rows belong to it.
class CueSheetWalk {
public:
    CueSheetWalk(const std::string& sheetPath, TrackTable& table)
        : sheetPath(sheetPath), table(table) {}

    // One line's command; false when the sheet must be refused.
    bool Apply(const std::vector<std::string>& tokens);

private:
    bool File(const std::string& name, const std::string& type);
    bool Track(const std::string& number, const std::string& type);
    bool Index(const std::string& number, const std::string& position);
    // Ends the previous track at `position`. Offsets count 2352 bytes per
    // sector; a track stored with other sector sizes shifts every later
    // offset in its file by the difference.
    void EndPreviousTrack(std::int32_t position);
    bool PreviousInCurrentFile() const {
        return previous >= 0 && rowFile[std::size_t(previous)] == fileNumber;
    }

    const std::string& sheetPath;
    TrackTable& table;
    bool fileSeen = false;
    bool trackInFile = false;
    std::string filePath;
    std::int32_t fileNumber = 0;
    std::array<std::int32_t, TrackTable::MAX_TRACKS> rowFile{};  // FILE number of each row
    std::int32_t current = -1;
    std::int32_t previous = -1;
    // Positions are two-digit fields, so each step of the correction is below
    // 2^30 and a sheet of capped size cannot bring the sum near 2^63.
    std::int64_t byteCorrection = 0;
};

bool CueSheetWalk::Apply(const std::vector<std::string>& tokens) {
    static const std::string NONE;
    const auto token = [&tokens](std::size_t i) -> const std::string& {
        return i < tokens.size() ? tokens[i] : NONE;
    };
    const std::string command = platform::ToUpperAscii(token(0));
    if (command == "FILE") return File(token(1), token(2));
    if (command == "TRACK") return !fileSeen || Track(token(1), token(2));
    if (command == "INDEX") return !trackInFile || Index(token(1), token(2));
    // PREGAP describes silence that is not stored in the data file, so it
    // moves no offset; every other command says nothing about the layout.
    return true;
}

bool CueSheetWalk::File(const std::string& name, const std::string& type) {
    trackInFile = false;
    byteCorrection = 0;
    if (platform::ToUpperAscii(type) != "BINARY") return false;
    const std::optional<std::string> resolved = ResolveDataFile(name, sheetPath);
    if (!resolved) return false;
    filePath = *resolved;
    fileSeen = true;
    ++fileNumber;
    return true;
}

bool CueSheetWalk::Track(const std::string& number, const std::string& type) {
    const std::int32_t trackNumber = ScanInteger(number);
    if (trackNumber != table.trackCount + 1 || !IsTableRow(trackNumber - 1)) return false;
    const CueTrackType* trackType = FindTrackType(type);
    if (trackType == nullptr) return false;

    const std::int32_t row = trackNumber - 1;
    TrackEntry& entry = table.rows[std::size_t(row)];
    entry.index = row;
    entry.file = filePath;
    entry.mode = trackType->mode;
    entry.sectorSize = trackType->sectorSize;
    table.trackCount = trackNumber;
    rowFile[std::size_t(row)] = fileNumber;
    previous = current;
    current = row;
    trackInFile = true;
    return true;
}

void CueSheetWalk::EndPreviousTrack(std::int32_t position) {
    TrackEntry& entry = table.rows[std::size_t(previous)];
    entry.length = position - entry.start;
    byteCorrection += (RAW_SECTOR - entry.sectorSize) * entry.length;
}

bool CueSheetWalk::Index(const std::string& number, const std::string& position) {
    const std::int32_t frames = ScanMsfFrames(position);
    switch (ScanInteger(number)) {
        case 0:
            if (PreviousInCurrentFile()) EndPreviousTrack(frames);
            return true;
        case 1: {
            TrackEntry& entry = table.rows[std::size_t(current)];
            entry.start = frames;
            if (PreviousInCurrentFile() && table.rows[std::size_t(previous)].length == 0) {
                EndPreviousTrack(frames);
            }
            const std::int64_t offset = frames * RAW_SECTOR - byteCorrection;
            if (!FitsDataOffset(offset)) return false;
            entry.dataOffset = std::int32_t(offset);
            return true;
        }
        default:
            return true;
    }
}

}  // namespace

bool ParseCueSheet(std::string_view text, const std::string& sheetPath, TrackTable& table) {
    CueSheetWalk walk(sheetPath, table);
    DescriptorLineReader lines(text);
    std::string_view line;
    while (lines.Next(line)) {
        const std::vector<std::string> tokens = SplitQuotedTokens(line);
        if (tokens.empty()) continue;
        if (!walk.Apply(tokens)) return false;
    }
    return true;
}

bool ReadCueSheet(const std::string& sheetPath, TrackTable& table) {
    const std::optional<std::string> text = ReadDescriptorText(sheetPath, MAX_SHEET_BYTES);
    return text && ParseCueSheet(*text, sheetPath, table);
}
