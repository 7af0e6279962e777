#include "image/CueSheetParser.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "image/DescriptorText.h"
#include "platform/AsciiCase.h"
#include "platform/TextLines.h"

namespace {

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

// The token at `i`; the empty string past the last one.
const std::string& TokenAt(const std::vector<std::string>& tokens, std::size_t i) {
    static const std::string NONE;
    return i < tokens.size() ? tokens[i] : NONE;
}

// The data file and its type on a FILE line. Sheets written by hand or by
// older tools leave names with blanks unquoted: then the name is everything
// between the command and the type, which is the last word.
struct FileLine {
    std::string name;
    std::string type;
};

FileLine SplitFileLine(std::string_view line, const std::vector<std::string>& tokens) {
    if (tokens.size() <= 3 || line.find('"') != std::string_view::npos) {
        return {TokenAt(tokens, 1), TokenAt(tokens, 2)};
    }
    constexpr std::string_view BLANKS = " \t\n\v\f\r";
    const std::size_t command = line.find_first_not_of(BLANKS);
    const std::size_t nameStart = line.find_first_not_of(BLANKS, command + tokens[0].size());
    const std::size_t typeStart = line.rfind(tokens.back());
    const std::size_t nameEnd = line.find_last_not_of(BLANKS, typeStart - 1);
    return {std::string(line.substr(nameStart, nameEnd + 1 - nameStart)), tokens.back()};
}

// The walk through a sheet: which FILE is current and which rows belong to it.
class CueSheetWalk {
public:
    explicit CueSheetWalk(DescriptorParse& parse) : parse(parse), table(parse.table) {}

    // One line's command; false, with the reason, when the sheet must be
    // refused.
    bool Apply(std::string_view line, const std::vector<std::string>& tokens);

private:
    bool File(const std::string& name, const std::string& type);
    bool Track(const std::string& number, const std::string& type);
    bool Index(const std::string& number, const std::string& position);
    // Ends the previous track at `position`. Offsets count 2352 bytes per
    // sector; a track stored with other sector sizes (its stored pregap
    // included) shifts every later offset in its file by the difference.
    void EndPreviousTrack(std::int32_t position);
    bool PreviousInCurrentFile() const {
        return previous >= 0 && rowFile[std::size_t(previous)] == fileNumber;
    }

    bool Refuse(std::string reason) {
        parse.reason = std::move(reason);
        return false;
    }

    DescriptorParse& parse;
    TrackTable& table;
    bool fileSeen = false;
    bool trackInFile = false;
    std::string filePath;
    std::int32_t fileNumber = 0;
    std::array<std::int32_t, TrackTable::MAX_TRACKS> rowFile{};  // FILE number of each row
    std::int32_t current = -1;
    std::int32_t previous = -1;
    // Where the current track's INDEX 00 stands in its file, when it has one.
    std::optional<std::int32_t> currentIndexZero;
    // Positions are two-digit fields, so each step of the correction is below
    // 2^30 and a sheet of capped size cannot bring the sum near 2^63.
    std::int64_t byteCorrection = 0;
    // Silence the disc has and the data files do not store (PREGAP, POSTGAP):
    // it moves every later track's place on the disc, not in its file.
    std::int64_t unstoredSectors = 0;
};

bool CueSheetWalk::Apply(std::string_view line, const std::vector<std::string>& tokens) {
    const std::string command = platform::ToUpperAscii(TokenAt(tokens, 0));
    if (command == "FILE") {
        const FileLine file = SplitFileLine(line, tokens);
        return File(file.name, file.type);
    }
    if (command == "TRACK") return !fileSeen || Track(TokenAt(tokens, 1), TokenAt(tokens, 2));
    if (command == "INDEX") return !trackInFile || Index(TokenAt(tokens, 1), TokenAt(tokens, 2));
    if ((command == "PREGAP" || command == "POSTGAP") && trackInFile) {
        unstoredSectors += ScanMsfFrames(TokenAt(tokens, 1));
    }
    // Every other command says nothing about the layout.
    return true;
}

bool CueSheetWalk::File(const std::string& name, const std::string& type) {
    trackInFile = false;
    byteCorrection = 0;
    if (platform::ToUpperAscii(type) != "BINARY") {
        return Refuse("data file type " + type + " is not BINARY");
    }
    parse.dataFiles.push_back(name);
    filePath = name;
    fileSeen = true;
    ++fileNumber;
    return true;
}

bool CueSheetWalk::Track(const std::string& number, const std::string& type) {
    const std::int32_t trackNumber = ScanInteger(number);
    if (trackNumber != table.Count() + 1) {
        return Refuse("track " + number + " does not follow track " +
                      std::to_string(table.Count()));
    }
    const CueTrackType* trackType = FindTrackType(type);
    if (trackType == nullptr) return Refuse("unknown track type " + type);
    TrackEntry* entry = table.Append();
    if (entry == nullptr) return Refuse("more than 99 tracks");

    const std::int32_t row = trackNumber - 1;
    entry->file = filePath;
    entry->mode = trackType->mode;
    entry->sectorSize = trackType->sectorSize;
    rowFile[std::size_t(row)] = fileNumber;
    previous = current;
    current = row;
    currentIndexZero.reset();
    trackInFile = true;
    return true;
}

void CueSheetWalk::EndPreviousTrack(std::int32_t position) {
    TrackEntry& entry = *table.Row(previous);
    entry.length = position - entry.start;
    entry.sectorCount = entry.length;
    byteCorrection +=
        (RAW_SECTOR - entry.sectorSize) * (std::int64_t(entry.length) + entry.pregapSectors);
}

bool CueSheetWalk::Index(const std::string& number, const std::string& position) {
    const std::int32_t frames = ScanMsfFrames(position);
    switch (ScanInteger(number)) {
        case 0:
            if (PreviousInCurrentFile()) EndPreviousTrack(frames);
            currentIndexZero = frames;
            return true;
        case 1: {
            TrackEntry& entry = *table.Row(current);
            entry.start = frames;
            if (PreviousInCurrentFile() && table.At(previous).sectorCount < 0) {
                EndPreviousTrack(frames);
            }
            // A pregap stored in the file (INDEX 00 to INDEX 01) has the
            // track's own sector size.
            if (currentIndexZero && *currentIndexZero <= frames) {
                entry.pregapSectors = frames - *currentIndexZero;
            }
            const std::int64_t offset = frames * RAW_SECTOR - byteCorrection -
                                        entry.pregapSectors * (RAW_SECTOR - entry.sectorSize);
            if (!FitsDataOffset(offset)) return Refuse("index position " + position + " too far");
            entry.dataOffset = offset;
            // The place on the disc counts from the start of this FILE; the
            // sectors of the files before it are added once their sizes are
            // known.
            entry.firstSector = frames + unstoredSectors;
            return true;
        }
        default:
            return true;
    }
}

}  // namespace

DescriptorParse ParseCueSheet(std::string_view text) {
    DescriptorParse parse;
    CueSheetWalk walk(parse);
    platform::LineReader lines(WithoutByteOrderMark(text), DESCRIPTOR_LINE_LENGTH);
    std::string_view line;
    std::int32_t lineNumber = 0;
    while (lines.Next(line)) {
        ++lineNumber;
        const std::vector<std::string> tokens = SplitQuotedTokens(line);
        if (tokens.empty()) continue;
        if (!walk.Apply(line, tokens)) {
            parse.line = lineNumber;
            parse.table = TrackTable{};
            return parse;
        }
    }
    parse.accepted = true;
    return parse;
}
