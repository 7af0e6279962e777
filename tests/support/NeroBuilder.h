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

// One DAOI entry.
struct NrgDaoTrack {
    std::uint16_t sectorSize = 2352;
    std::uint32_t mode = 0;
    std::uint32_t index0Offset = 0;
    std::uint32_t index1Offset = 0;
    std::uint32_t endOffset = 0;
};

// One ETNF entry.
struct NrgEtnfTrack {
    std::uint32_t dataOffset = 0;
    std::uint32_t lengthBytes = 0;
    std::uint32_t modeCode = 0;
    std::uint32_t startSector = 0;
};

std::string NrgChunk(const std::string& identifier, const std::string& body);
std::string NrgCuesBody(const std::vector<NrgCue>& entries);
// A disc's CUES entries: the lead-in, index 0 and 1 of each track, the
// lead-out. Track i (0-based) has index 0 at index0[i] and index 1 at index1[i].
std::vector<NrgCue> NrgDiscCues(const std::vector<unsigned char>& controls,
                                const std::vector<std::uint32_t>& index0,
                                const std::vector<std::uint32_t>& index1, std::uint32_t leadOut);
std::string NrgDaoiBody(const std::vector<NrgDaoTrack>& tracks);
std::string NrgEtnfBody(const std::vector<NrgEtnfTrack>& tracks);

// The track data, the chunks, then the footer "NERO" and the chunks' offset.
std::string NrgImage(const std::string& data, const std::string& chunks);

}  // namespace testsupport
