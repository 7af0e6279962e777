#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// One CUES entry: control byte, track (BCD, 0xAA for the lead-out), index,
// and a position in frames that the builder writes as BCD minutes, seconds,
// frames.
struct NrgCue {
    unsigned char control = 0x41;
    unsigned char track = 1;
    unsigned char index = 1;
    std::uint32_t frames = 0;
};

// One DAOI or DAOX entry: the stored sector size, the track mode and the file
// offsets of index 0, index 1 and the end of the track.
struct NrgDaoTrack {
    std::uint16_t sectorSize = 2352;
    unsigned char mode = 0;
    std::uint64_t index0Offset = 0;
    std::uint64_t index1Offset = 0;
    std::uint64_t endOffset = 0;
};

// One ETNF or ETN2 entry.
struct NrgEtnfTrack {
    std::uint64_t dataOffset = 0;
    std::uint64_t lengthBytes = 0;
    std::uint32_t modeCode = 0;
    std::uint32_t startSector = 0;
};

std::string NrgChunk(const std::string& identifier, const std::string& body);
std::string NrgCuesBody(const std::vector<NrgCue>& entries);
// The same entries as CUEX writes them: the place as a signed sector number
// (frames - 150) instead of BCD minutes, seconds and frames.
std::string NrgCuexBody(const std::vector<NrgCue>& entries);
// A disc's CUES entries: the lead-in, index 0 and 1 of each track, the
// lead-out. Track i (0-based) has index 0 at index0[i] and index 1 at index1[i].
std::vector<NrgCue> NrgDiscCues(const std::vector<unsigned char>& controls,
                                const std::vector<std::uint32_t>& index0,
                                const std::vector<std::uint32_t>& index1, std::uint32_t leadOut);
std::string NrgDaoiBody(const std::vector<NrgDaoTrack>& tracks);  // 32-bit offsets
std::string NrgDaoxBody(const std::vector<NrgDaoTrack>& tracks);  // 64-bit offsets
std::string NrgEtnfBody(const std::vector<NrgEtnfTrack>& tracks);
std::string NrgEtn2Body(const std::vector<NrgEtnfTrack>& tracks);

// The track data, the chunks, then the footer "NERO" and the chunks' 32-bit
// offset.
std::string NrgImage(const std::string& data, const std::string& chunks);
// The same with the footer of Nero 5.5 and later: "NER5" and a 64-bit offset.
std::string Nrg5Image(const std::string& data, const std::string& chunks);

}  // namespace testsupport
