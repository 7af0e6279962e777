#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// One track of a disc built for descriptor tests: its cue sheet type, the
// stored bytes of its pregap (before index 1) and of the rest of it.
struct DiscTrack {
    std::string cueType;  // "MODE2/2352", "AUDIO", "MODE1/2048", ...
    int sectorSize = 2352;
    std::string pregap;
    std::string body;

    std::int64_t PregapSectors() const { return std::int64_t(pregap.size()) / sectorSize; }
    std::int64_t BodySectors() const { return std::int64_t(body.size()) / sectorSize; }
};

// Sectors `from` .. `from + count - 1` of `size` bytes of plain bytes that
// tell their track and number ("track 3 sector 17 ..."), so that a sector read
// from the wrong place shows: audio sectors, or cooked blocks to make raw.
std::string NumberedSectors(int track, int from, int count, std::size_t size = 2352);

// "MM:SS:FF" of a number of sectors.
std::string Msf(std::int64_t sectors);

// A cue sheet and the data files it names.
struct CueSet {
    std::string sheet;
    std::vector<std::pair<std::string, std::string>> files;  // name, content
};

// The disc laid out the redump way: one data file per track named
// "<base> (Track N).bin", N with two digits when the disc has 10 or more
// tracks, each holding the track's pregap and the rest of it.
CueSet RedumpCueSet(const std::string& base, const std::vector<DiscTrack>& tracks);

// The same disc in the one data file `dataName`.
CueSet SingleFileCueSet(const std::string& dataName, const std::vector<DiscTrack>& tracks);

// Writes the set's data files into `folder`, and its sheet under `sheetName`.
void WriteCueSet(const std::string& folder, const CueSet& set, const std::string& sheetName);

}  // namespace testsupport
