#include "image/CueSheet.h"

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

using Tokens = std::vector<QuotedToken>;

// The token at `i`; the empty string past the last one.
const std::string& TokenAt(const Tokens& tokens, std::size_t i) {
    static const std::string NONE;
    return i < tokens.size() ? tokens[i].text : NONE;
}

// The data file and its type on a FILE line, and where the name stands in
// the line. Sheets written by hand or by older tools leave names with blanks
// unquoted: then the name is everything between the command and the type,
// which is the last word.
struct FileLine {
    std::string name;
    std::string type;
    std::size_t begin = 0;
    std::size_t end = 0;
};

FileLine SplitFileLine(std::string_view line, const Tokens& tokens) {
    if (tokens.size() < 2) return {};
    if (tokens.size() <= 3 || line.find('"') != std::string_view::npos) {
        return {tokens[1].text, TokenAt(tokens, 2), tokens[1].begin, tokens[1].end};
    }
    const std::size_t begin = tokens[1].begin;
    const std::size_t end = tokens[tokens.size() - 2].end;
    return {std::string(line.substr(begin, end - begin)), tokens.back().text, begin, end};
}

// The walk through a sheet: which FILE is current and which rows belong to it.
class CueSheetWalk {
public:
    explicit CueSheetWalk(DescriptorParse& parse) : parse(parse), table(parse.table) {}

    // One line's command; false, with the reason, when the sheet must be
    // refused.
    bool Apply(std::string_view line, const Tokens& tokens);

private:
    bool File(const std::string& name, const std::string& type);
    bool Track(const std::string& number, const std::string& type);
    bool Index(const std::string& number, const std::string& position);
    bool Gap(const std::string& length);
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
    std::int32_t lastNumber = 0;  // the number the sheet gave the last TRACK
    // Where the current track's INDEX 00 stands in its file, when it has one.
    std::optional<std::int32_t> currentIndexZero;
    // Positions are two-digit fields, so each step of the correction is below
    // 2^30 and a sheet of capped size cannot bring the sum near 2^63.
    std::int64_t byteCorrection = 0;
    // Silence the disc has and the data files do not store (PREGAP, POSTGAP):
    // it moves every later track's place on the disc, not in its file.
    std::int64_t unstoredSectors = 0;
};

bool CueSheetWalk::Apply(std::string_view line, const Tokens& tokens) {
    const std::string command = platform::ToUpperAscii(TokenAt(tokens, 0));
    if (command == "FILE") {
        const FileLine file = SplitFileLine(line, tokens);
        return File(file.name, file.type);
    }
    if (command == "TRACK") return !fileSeen || Track(TokenAt(tokens, 1), TokenAt(tokens, 2));
    if (command == "INDEX") return !trackInFile || Index(TokenAt(tokens, 1), TokenAt(tokens, 2));
    if ((command == "PREGAP" || command == "POSTGAP") && trackInFile) {
        return Gap(TokenAt(tokens, 1));
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
    // The first track may have any number (a sheet of the audio tracks 4 and
    // 5 of a disc starts at 04); the others follow it one by one.
    if (trackNumber < 1 || trackNumber > TrackTable::MAX_TRACKS ||
        (table.Count() > 0 && trackNumber != lastNumber + 1)) {
        return Refuse("track " + number + " does not follow track " +
                      std::to_string(table.Count() == 0 ? 0 : lastNumber));
    }
    const CueTrackType* trackType = FindTrackType(type);
    if (trackType == nullptr) return Refuse("unknown track type " + type);
    TrackEntry* entry = table.Append();
    if (entry == nullptr) return Refuse("more than 99 tracks");

    const std::int32_t row = table.Count() - 1;
    lastNumber = trackNumber;
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

bool CueSheetWalk::Gap(const std::string& length) {
    const std::optional<std::int32_t> frames = ReadMsfFrames(length);
    if (!frames) return Refuse("gap length " + length + " is no position mm:ss:ff");
    unstoredSectors += *frames;
    return true;
}

bool CueSheetWalk::Index(const std::string& number, const std::string& position) {
    const std::optional<std::int32_t> read = ReadMsfFrames(position);
    if (!read) return Refuse("index position " + position + " is no position mm:ss:ff");
    const std::int32_t frames = *read;
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

CueSheet::CueSheet(std::string sheetText) : text(std::move(sheetText)) {
    CueSheetWalk walk(layout);
    bool refused = false;
    const std::string_view body = WithoutByteOrderMark(text);
    const std::size_t bodyStart = text.size() - body.size();
    platform::LineReader lines(body, DESCRIPTOR_LINE_LENGTH);
    std::string_view line;
    std::int32_t lineNumber = 0;
    while (lines.Next(line)) {
        ++lineNumber;
        const Tokens tokens = SplitQuotedTokens(line);
        if (tokens.empty()) continue;
        const std::string command = platform::ToUpperAscii(tokens[0].text);
        if (command == "FILE" && tokens.size() >= 2) {
            const FileLine file = SplitFileLine(line, tokens);
            const std::size_t lineStart = bodyStart + std::size_t(line.data() - body.data());
            files.push_back({file.name, lineStart + file.begin, lineStart + file.end,
                             line[file.begin] == '"', 0});
        } else if (command == "TRACK" && !files.empty()) {
            ++trackCount;
            if (files.back().firstTrack == 0)
                files.back().firstTrack = ScanInteger(TokenAt(tokens, 1));
        }
        if (refused || walk.Apply(line, tokens)) continue;
        refused = true;
        layout.line = lineNumber;
        layout.table = TrackTable{};
        layout.dataFiles.clear();
    }
    layout.accepted = !refused;
}

std::optional<std::vector<platform::TextEdit>> CueSheet::RenameFiles(
    const std::map<std::size_t, std::string>& newNames) const {
    std::vector<platform::TextEdit> edits;
    for (const auto& [index, name] : newNames) {
        if (index >= files.size()) return std::nullopt;
        const CueFile& file = files[index];
        const bool quote = file.quoted || name.find_first_of(" \t") != std::string::npos;
        std::string written = text.substr(file.begin, file.end - file.begin);
        std::string renamed = quote ? "\"" + name + "\"" : name;
        if (written != renamed)
            edits.push_back({file.begin, std::move(written), std::move(renamed)});
    }
    const std::optional<std::string> edited = platform::ApplyEdits(text, edits);
    if (!edited) return std::nullopt;
    // Read back, the sheet must name what was asked, in the same commands,
    // and describe the same tracks.
    const CueSheet check(*edited);
    if (check.files.size() != files.size() || check.trackCount != trackCount ||
        check.layout.accepted != layout.accepted ||
        check.layout.table.Count() != layout.table.Count()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        const auto renamed = newNames.find(i);
        if (check.files[i].name != (renamed == newNames.end() ? files[i].name : renamed->second)) {
            return std::nullopt;
        }
    }
    return edits;
}

DescriptorParse ParseCueSheet(std::string_view text) {
    return CueSheet(std::string(text)).Layout();
}

std::string_view CueFileLeaf(std::string_view name) {
    const std::size_t separator = name.find_last_of("/\\");
    return separator == std::string_view::npos ? name : name.substr(separator + 1);
}
