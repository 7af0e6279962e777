#include "support/RawSectors.h"

#include <algorithm>
#include <cstring>

#include "support/PutBytes.h"

namespace testsupport {
namespace {

// Sync pattern and address header of a raw sector; the address counts the
// two-second lead-in, as on a disc.
void PutSyncAndHeader(std::string& out, std::size_t at, std::size_t sector, int mode) {
    out[at] = 0;
    std::memset(&out[at + 1], 0xFF, 10);
    out[at + 11] = 0;
    const std::size_t address = sector + 150;
    out.replace(at + 12, 3, BcdMsf(address));
    out[at + 15] = char(mode);
}

}  // namespace

int SectorSizeOf(RawLayout layout) {
    switch (layout) {
        case RawLayout::Cooked2048:
            return 2048;
        case RawLayout::Raw2336Mode1:
        case RawLayout::Raw2336Mode2:
            return 2336;
        case RawLayout::Raw2352Mode1:
        case RawLayout::Raw2352Mode2:
            return 2352;
        case RawLayout::Raw2448Mode1:
        case RawLayout::Raw2448Mode2:
            return 2448;
    }
    return 2048;
}

const char* LayoutName(RawLayout layout) {
    switch (layout) {
        case RawLayout::Cooked2048:
            return "Cooked2048";
        case RawLayout::Raw2336Mode1:
            return "Raw2336Mode1";
        case RawLayout::Raw2336Mode2:
            return "Raw2336Mode2";
        case RawLayout::Raw2352Mode1:
            return "Raw2352Mode1";
        case RawLayout::Raw2352Mode2:
            return "Raw2352Mode2";
        case RawLayout::Raw2448Mode1:
            return "Raw2448Mode1";
        case RawLayout::Raw2448Mode2:
            return "Raw2448Mode2";
    }
    return "?";
}

std::string ToRawSectors(const std::string& cooked, RawLayout layout) {
    const std::size_t size = std::size_t(SectorSizeOf(layout));
    const std::size_t sectors = (cooked.size() + 2047) / 2048;
    std::string out(sectors * size, char(0xEE));
    for (std::size_t s = 0; s < sectors; ++s) {
        const std::size_t at = s * size;
        std::size_t userAt = at;
        switch (layout) {
            case RawLayout::Cooked2048:
            case RawLayout::Raw2336Mode1:
                break;
            case RawLayout::Raw2336Mode2:
                std::memset(&out[at], 0, 8);
                userAt = at + 8;
                break;
            case RawLayout::Raw2352Mode1:
            case RawLayout::Raw2448Mode1:
                PutSyncAndHeader(out, at, s, 1);
                userAt = at + 16;
                break;
            case RawLayout::Raw2352Mode2:
            case RawLayout::Raw2448Mode2:
                PutSyncAndHeader(out, at, s, 2);
                std::memset(&out[at + 16], 0, 8);
                userAt = at + 24;
                break;
        }
        const std::size_t length = std::min<std::size_t>(2048, cooked.size() - s * 2048);
        std::memset(&out[userAt], 0, 2048);
        std::memcpy(&out[userAt], cooked.data() + s * 2048, length);
    }
    return out;
}

}  // namespace testsupport
