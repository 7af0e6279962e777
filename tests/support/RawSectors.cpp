#include "support/RawSectors.h"

#include <boost/crc.hpp>

#include "support/PutBytes.h"

namespace testsupport {
namespace {

constexpr std::size_t SECTOR_BYTES = 2352;
constexpr std::size_t USER_BYTES = 2048;

// Sync pattern and address header of a raw sector; the address counts the
// two-second lead-in, as on a disc.
std::string SyncAndHeader(std::size_t sector, int mode) {
    std::string out(16, '\xFF');
    out[0] = 0;
    out[11] = 0;
    out.replace(12, 3, BcdMsf(sector + 150));
    out[15] = char(mode);
    return out;
}

// ECMA-130's error detection code: a CRC-32 over x^32 + x^31 + x^16 + x^15 +
// x^4 + x^3 + x + 1, least significant bit first, stored little-endian.
std::string Edc(std::string_view bytes) {
    boost::crc_optimal<32, 0x8001801B, 0, 0, true, true> crc;
    crc.process_bytes(bytes.data(), bytes.size());
    return BytesLE(crc.checksum(), 4);
}

// ECMA-130's P and Q parity, written here on its own rather than with the
// image layer's encoder, so that a misreading of the standard cannot hide in
// both (the tests check this one against real discs). Each parity pair is
// worked out as the standard's shift register does it: bytes are folded in
// one by one, multiplied by alpha between them in GF(2^8) modulo x^8 + x^4
// + x^3 + x^2 + 1, and the pair solved at the end from the plain and the
// weighted sum.
struct ParityTables {
    unsigned char times2[256];
    unsigned char solve[256];  // x such that x ^ times2[x] is the index
    ParityTables() {
        for (unsigned i = 0; i < 256; ++i) {
            times2[i] = static_cast<unsigned char>((i << 1) ^ ((i & 0x80) ? 0x11D : 0));
            solve[i ^ times2[i]] = static_cast<unsigned char>(i);
        }
    }
};

// `majors` parity pairs over the majors * minors bytes from `data`: pair
// `major` reads `minors` of them from (major / 2) * `majorStep` + major % 2
// on, `minorStep` apart and wrapping around, and is written at `parity` +
// major and `parity` + majors + major.
void WriteParity(const unsigned char* data, std::size_t majors, std::size_t minors,
                 std::size_t majorStep, std::size_t minorStep, unsigned char* parity) {
    static const ParityTables tables;
    const std::size_t size = majors * minors;
    for (std::size_t major = 0; major < majors; ++major) {
        std::size_t index = (major >> 1) * majorStep + (major & 1);
        unsigned char weighted = 0;
        unsigned char sum = 0;
        for (std::size_t minor = 0; minor < minors; ++minor) {
            const unsigned char byte = data[index];
            index = (index + minorStep) % size;
            weighted = tables.times2[weighted ^ byte];
            sum ^= byte;
        }
        weighted = tables.solve[tables.times2[weighted] ^ sum];
        parity[major] = weighted;
        parity[major + majors] = weighted ^ sum;
    }
}

// The sector up to its EDC, then the EDC, zeros, and the parity over the
// header and the 2064 bytes after it (a Mode 2 header counted as zero).
std::string Sealed(std::string sector) {
    const bool mode2 = sector[15] == 2;
    sector += Edc(sector.substr(mode2 ? 16 : 0));
    sector.resize(SECTOR_BYTES, '\0');
    std::string coded = sector;
    if (mode2) coded.replace(12, 4, 4, '\0');
    auto* bytes = reinterpret_cast<unsigned char*>(coded.data());
    // P: 86 columns of 24 bytes; Q: 52 diagonals of 43 bytes, P included.
    WriteParity(bytes + 12, 86, 24, 2, 86, bytes + 2076);
    WriteParity(bytes + 12, 52, 43, 86, 88, bytes + 2076 + 172);
    sector.replace(2076, SECTOR_BYTES - 2076, coded, 2076, SECTOR_BYTES - 2076);
    return sector;
}

std::string UserBlock(std::string_view user) {
    std::string block(user.substr(0, USER_BYTES));
    block.resize(USER_BYTES, '\0');
    return block;
}

}  // namespace

std::string Mode1Sector(std::size_t sector, std::string_view user) {
    return Sealed(SyncAndHeader(sector, 1) + UserBlock(user));
}

std::string Mode2Form1Sector(std::size_t sector, std::string_view subheader,
                             std::string_view user) {
    std::string head(subheader.substr(0, 8));
    head.resize(8, '\0');
    return Sealed(SyncAndHeader(sector, 2) + head + UserBlock(user));
}

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
    const std::size_t sectors = (cooked.size() + USER_BYTES - 1) / USER_BYTES;
    std::string out(sectors * size, char(0xEE));
    for (std::size_t s = 0; s < sectors; ++s) {
        const std::string_view user = std::string_view(cooked).substr(s * USER_BYTES, USER_BYTES);
        std::string stored;
        switch (layout) {
            case RawLayout::Cooked2048:
            case RawLayout::Raw2336Mode1:
                stored = UserBlock(user);
                break;
            case RawLayout::Raw2336Mode2:
                stored = Mode2Form1Sector(s, {}, user).substr(16);
                break;
            case RawLayout::Raw2352Mode1:
            case RawLayout::Raw2448Mode1:
                stored = Mode1Sector(s, user);
                break;
            case RawLayout::Raw2352Mode2:
            case RawLayout::Raw2448Mode2:
                stored = Mode2Form1Sector(s, {}, user);
                break;
        }
        out.replace(s * size, stored.size(), stored);
    }
    return out;
}

}  // namespace testsupport
