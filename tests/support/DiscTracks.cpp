#include "support/DiscTracks.h"

#include <cstdio>

#include "support/Files.h"

namespace testsupport {
namespace {

std::string TrackLines(const DiscTrack& track, int number, std::int64_t index0) {
    char line[64];
    std::snprintf(line, sizeof line, "  TRACK %02d %s\r\n", number, track.cueType.c_str());
    std::string text = line;
    if (!track.pregap.empty()) text += "    INDEX 00 " + Msf(index0) + "\r\n";
    text += "    INDEX 01 " + Msf(index0 + track.PregapSectors()) + "\r\n";
    return text;
}

}  // namespace

std::string NumberedSectors(int track, int from, int count, std::size_t size) {
    std::string out;
    for (int sector = from; sector < from + count; ++sector) {
        const std::string mark =
            "track " + std::to_string(track) + " sector " + std::to_string(sector) + " ";
        std::string block;
        while (block.size() < size) block += mark;
        out += block.substr(0, size);
    }
    return out;
}

std::string Msf(std::int64_t sectors) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", int(sectors / 4500), int(sectors / 75 % 60),
                  int(sectors % 75));
    return text;
}

CueSet RedumpCueSet(const std::string& base, const std::vector<DiscTrack>& tracks) {
    CueSet set;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name,
                      tracks.size() >= 10 ? " (Track %02zu).bin" : " (Track %zu).bin", i + 1);
        set.files.emplace_back(base + name, tracks[i].pregap + tracks[i].body);
        set.sheet +=
            "FILE \"" + base + name + "\" BINARY\r\n" + TrackLines(tracks[i], int(i + 1), 0);
    }
    return set;
}

CueSet SingleFileCueSet(const std::string& dataName, const std::vector<DiscTrack>& tracks) {
    CueSet set;
    set.sheet = "FILE \"" + dataName + "\" BINARY\r\n";
    std::string data;
    std::int64_t position = 0;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        set.sheet += TrackLines(tracks[i], int(i + 1), position);
        position += tracks[i].PregapSectors() + tracks[i].BodySectors();
        data += tracks[i].pregap + tracks[i].body;
    }
    set.files.emplace_back(dataName, data);
    return set;
}

void WriteCueSet(const std::string& folder, const CueSet& set, const std::string& sheetName) {
    MakeDirs(folder);
    for (const auto& [name, content] : set.files) WriteFile(folder + "/" + name, content);
    WriteFile(folder + "/" + sheetName, set.sheet);
}

}  // namespace testsupport
