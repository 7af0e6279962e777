#include "support/DiscJugglerBuilder.h"

#include <cstring>
#include <stdexcept>

#include "support/PutBytes.h"

namespace testsupport {
namespace {

struct Layout {
    bool fromEnd;
    int sessionExtra;
    int mark;  // 1, 2 or 3
    int markAt, nameLengthAt, pregapAt, modeAt, startAt, totalAt, sizeCodeAt, checkAt;
    int headerBytes, trailer;
};

// Written out from the format's description, independently of the reader.
const Layout LAYOUTS[8] = {
    {false, 4, 1, 8, 32, 58, 72, 88, 92, 112, 121, 236, 9},
    {true, 4, 1, 0, 24, 50, 64, 80, 84, 104, 113, 228, 9},
    {true, 4, 1, 0, 24, 58, 72, 88, 92, 112, 121, 236, 9},
    {false, 4, 1, 0, 24, 50, 64, 80, 84, 104, 113, 150, 7},
    {false, 4, 1, 0, 24, 50, 64, 80, 84, 104, 113, 141, 8},
    {false, 4, 1, 0, 24, 47, 59, 75, 79, 100, 108, 132, 12},
    {false, 2, 2, 0, 24, 43, 59, 75, 79, 100, 108, 130, 14},
    {false, 0, 3, 0, 12, 31, 47, 63, 67, 92, 100, 120, 12},
};

const unsigned char M1[20] = {0, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF,
                              0, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
const unsigned char M2[20] = {0,    0,    0, 0, 1, 0, 0,    0,    0xFF, 0xFF,
                              0xFF, 0xFF, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
const unsigned char M3[8] = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};

const Layout& LayoutOf(int variant) {
    if (variant < 1 || variant > 8) throw std::invalid_argument("no such DiscJuggler layout");
    return LAYOUTS[variant - 1];
}

std::string TrackHeader(const Layout& layout, const CdiTrack& track) {
    const std::size_t a = track.name.size();
    std::string header(std::size_t(layout.headerBytes) + a, '\0');
    const unsigned char* mark = layout.mark == 1 ? M1 : layout.mark == 2 ? M2 : M3;
    const std::size_t markSize = layout.mark == 3 ? sizeof M3 : sizeof M1;
    std::memcpy(&header[std::size_t(layout.markAt)], mark, markSize);
    if (track.badMark) header[std::size_t(layout.markAt) + markSize - 1] = 0x7F;
    header[std::size_t(layout.nameLengthAt)] = char(a);
    std::memcpy(&header[std::size_t(layout.nameLengthAt) + 1], track.name.data(), a);
    PutLE(header, layout.pregapAt + a, track.pregap, 4);
    PutLE(header, layout.pregapAt + 4 + a, track.length, 4);
    PutLE(header, layout.modeAt + a, track.mode, 4);
    PutLE(header, layout.startAt + a, track.start, 4);
    PutLE(header, layout.totalAt + a, track.total, 4);
    PutLE(header, layout.sizeCodeAt + a, track.sizeCode, 4);
    PutLE(header, layout.checkAt + a, track.check.value_or(track.total), 4);
    return header;
}

}  // namespace

std::string CdiHeaderBlock(int variant, const std::vector<CdiSession>& sessions) {
    const Layout& layout = LayoutOf(variant);
    std::string block(2, '\0');
    PutLE(block, 0, std::uint32_t(sessions.size()), 2);
    for (const CdiSession& session : sessions) {
        std::string sessionHeader(std::size_t(2 + layout.sessionExtra), '\0');
        PutLE(sessionHeader, 0, std::uint32_t(session.size()), 2);
        block += sessionHeader;
        for (const CdiTrack& track : session) block += TrackHeader(layout, track);
        block += std::string(std::size_t(layout.trailer), '\0');
    }
    return block;
}

std::string CdiImage(const std::string& data, int variant,
                     const std::vector<CdiSession>& sessions) {
    const Layout& layout = LayoutOf(variant);
    const std::string block = CdiHeaderBlock(variant, sessions);
    std::string image = data + block + std::string(4, '\0');
    const std::uint32_t locator =
        layout.fromEnd ? std::uint32_t(block.size() + 4) : std::uint32_t(data.size());
    PutLE(image, image.size() - 4, locator, 4);
    return image;
}

std::uint32_t CdiSizeCode2352(int variant) {
    return variant == 8 ? 3 : 2;
}

}  // namespace testsupport
