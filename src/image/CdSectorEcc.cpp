#include "image/CdSectorEcc.h"

#include <array>
#include <cstring>

namespace {

constexpr unsigned char SYNC[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

// Arithmetic in GF(2^8) with the field polynomial x^8 + x^4 + x^3 + x^2 + 1.
struct Field {
    std::array<unsigned char, 256> log{};
    std::array<unsigned char, 512> exp{};

    Field() {
        unsigned value = 1;
        for (unsigned power = 0; power < 255; ++power) {
            exp[power] = exp[power + 255] = static_cast<unsigned char>(value);
            log[value] = static_cast<unsigned char>(power);
            value <<= 1;
            if (value & 0x100) value ^= 0x11D;
        }
    }
    unsigned char Times(unsigned char a, unsigned char b) const {
        return (a == 0 || b == 0) ? 0 : exp[log[a] + log[b]];
    }
    unsigned char Over(unsigned char a, unsigned char b) const {
        return a == 0 ? 0 : exp[log[a] + 255 - log[b]];
    }
};

const Field& GF() {
    static const Field field;
    return field;
}

// The two parity bytes of a vector of `count` bytes whose i-th byte sits at
// sector[position(i)]: with the parity bytes appended the vector's plain sum
// and its sum weighted by powers of alpha (last byte alpha^0) are both zero.
template <typename Position>
void WriteParity(unsigned char* sector, int count, Position position, int parity0, int parity1) {
    const Field& field = GF();
    unsigned char sum = 0;
    unsigned char weighted = 0;
    for (int i = 0; i < count; ++i) {
        const unsigned char byte = sector[position(i)];
        sum ^= byte;
        // Horner's rule: weighted = sum of byte_i * alpha^(count + 1 - i).
        weighted = field.Times(static_cast<unsigned char>(weighted ^ byte), 2);
    }
    // weighted now holds sum of byte_i * alpha^(count - i); one more factor
    // alpha gives the weights of the code.
    weighted = field.Times(weighted, 2);
    // p0 + p1 = sum and p0 * alpha + p1 = weighted.
    const unsigned char p0 = field.Over(static_cast<unsigned char>(sum ^ weighted), 3);
    sector[parity0] = p0;
    sector[parity1] = static_cast<unsigned char>(sum ^ p0);
}

}  // namespace

void RestoreSyncAndEcc(unsigned char* sector) {
    std::memcpy(sector, SYNC, sizeof SYNC);
    constexpr int START = 12;
    constexpr int HEADER_BYTES = 4;
    constexpr int MODE = START + 3;
    unsigned char header[HEADER_BYTES] = {};
    const bool mode2 = sector[MODE] == 2;
    if (mode2) {
        std::memcpy(header, sector + START, HEADER_BYTES);
        std::memset(sector + START, 0, HEADER_BYTES);
    }
    // The bytes from the header on are 16-bit words, each byte plane coded on
    // its own. P: 43 columns of 24 words (and 2 parity words); Q: 26
    // diagonals of 43 words over the data and the P parity.
    for (int column = 0; column < 86; ++column) {
        WriteParity(
            sector, 24, [column](int row) { return START + column + 86 * row; },
            START + 86 * 24 + column, START + 86 * 25 + column);
    }
    for (int diagonal = 0; diagonal < 52; ++diagonal) {
        const int word = diagonal / 2;
        const int plane = diagonal % 2;
        WriteParity(
            sector, 43,
            [word, plane](int i) { return START + 2 * ((44 * i + 43 * word) % 1118) + plane; },
            START + 2236 + 2 * word + plane, START + 2236 + 52 + 2 * word + plane);
    }
    if (mode2) std::memcpy(sector + START, header, HEADER_BYTES);
}
