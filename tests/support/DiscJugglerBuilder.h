#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// One track header of a DiscJuggler image; fields as stored.
struct CdiTrack {
    std::uint32_t mode = 2;      // 0 audio, 1 Mode 1, 2 Mode 2
    std::uint32_t sizeCode = 2;  // the layout's code for the sector size
    std::uint32_t pregap = 0;
    std::uint32_t length = 1;
    std::uint32_t start = 0;
    std::uint32_t total = 1;
    std::optional<std::uint32_t> check;  // stored check value; the total when unset
    std::string name = "track.iso";
    bool badMark = false;  // spoil the track-start mark
};

using CdiSession = std::vector<CdiTrack>;

// The session and track header block of DiscJuggler layout `variant` (1 to 8).
std::string CdiHeaderBlock(int variant, const std::vector<CdiSession>& sessions);

// A whole image: the track data, then the header block, then the last four
// bytes that locate the block the way the layout expects.
std::string CdiImage(const std::string& data, int variant, const std::vector<CdiSession>& sessions);

// The size code of 2352-byte sectors in a layout (S2 in layout 8, else S1).
std::uint32_t CdiSizeCode2352(int variant);

}  // namespace testsupport
