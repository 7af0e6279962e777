#include "image/ChdHuffman.h"

#include <algorithm>
#include <array>

std::uint64_t ChdBitReader::Read(int bits) {
    std::uint64_t value = 0;
    while (bits > 0) {
        const int piece = std::min(bits, 16);
        value = (value << piece) | Peek(piece);
        Skip(piece);
        bits -= piece;
    }
    return value;
}

std::uint32_t ChdBitReader::Peek(int bits) const {
    if (bits == 0) return 0;
    const std::uint64_t byte = position / 8;
    std::uint32_t window = 0;
    for (std::uint64_t i = byte; i < byte + 4; ++i) {
        window = (window << 8) | (i < length ? data[i] : 0u);
    }
    window <<= position % 8;
    return window >> (32 - bits);
}

ChdHuffman::ChdHuffman(int symbols, int maxBits)
    : symbols(symbols),
      maxBits(maxBits),
      lengths(std::size_t(symbols)),
      lookup(std::size_t(1) << maxBits) {}

bool ChdHuffman::ImportRunLengthTree(ChdBitReader& bits) {
    const int width = maxBits >= 16 ? 5 : maxBits >= 8 ? 4 : 3;
    int symbol = 0;
    while (symbol < symbols) {
        const int length = int(bits.Read(width));
        if (length != 1) {
            lengths[std::size_t(symbol++)] = std::uint8_t(length);
            continue;
        }
        // 1 escapes: 1 1 is a single length 1, 1 L N is N + 3 times L.
        const int repeated = int(bits.Read(width));
        if (repeated == 1) {
            lengths[std::size_t(symbol++)] = 1;
            continue;
        }
        const int count = int(bits.Read(width)) + 3;
        if (count > symbols - symbol) return false;
        std::fill_n(lengths.begin() + symbol, count, std::uint8_t(repeated));
        symbol += count;
    }
    return !bits.Overrun() && Build();
}

bool ChdHuffman::ImportHuffmanTree(ChdBitReader& bits) {
    // The small code of the lengths: symbol 0 is a run of the last length,
    // symbol n > 0 the length n - 1. Its own lengths come three bits each,
    // from a given start on, until a 7.
    ChdHuffman small(24, 6);
    small.lengths[0] = std::uint8_t(bits.Read(3));
    const int start = int(bits.Read(3)) + 1;
    int last = 0;
    for (int index = 1; index < 24; ++index) {
        if (index < start || last == 7) continue;
        last = int(bits.Read(3));
        small.lengths[std::size_t(index)] = std::uint8_t(last == 7 ? 0 : last);
    }
    if (!small.Build()) return false;

    int runBits = 0;
    for (int rest = symbols - 9; rest > 0; rest >>= 1) ++runBits;
    int symbol = 0;
    std::uint8_t previous = 0;
    while (symbol < symbols && !bits.Overrun()) {
        const std::uint32_t value = small.Decode(bits);
        if (value != 0) {
            previous = std::uint8_t(value - 1);
            lengths[std::size_t(symbol++)] = previous;
            continue;
        }
        int count = int(bits.Read(3)) + 2;
        if (count == 9) count += int(bits.Read(runBits));
        for (; count > 0 && symbol < symbols; --count) lengths[std::size_t(symbol++)] = previous;
    }
    return symbol == symbols && !bits.Overrun() && Build();
}

bool ChdHuffman::Build() {
    std::array<std::uint32_t, 33> start{};
    for (const std::uint8_t length : lengths) {
        if (length > maxBits) return false;
        ++start[length];
    }
    // From the longest codes up: each length's codes follow on from the
    // longer ones, halved to the shorter length; a count that does not halve
    // evenly is no prefix code.
    std::uint32_t next = 0;
    for (int length = 32; length > 0; --length) {
        const std::uint32_t sum = next + start[std::size_t(length)];
        if (length != 1 && (sum & 1) != 0) return false;
        start[std::size_t(length)] = next;
        next = sum >> 1;
    }
    std::fill(lookup.begin(), lookup.end(), std::uint16_t(maxBits));
    for (int symbol = 0; symbol < symbols; ++symbol) {
        const int length = lengths[std::size_t(symbol)];
        if (length == 0) continue;
        const std::uint32_t code = start[std::size_t(length)]++;
        const int shift = maxBits - length;
        const std::uint64_t first = std::uint64_t(code) << shift;
        const std::uint64_t end = std::uint64_t(code + 1) << shift;
        if (end > lookup.size()) return false;
        std::fill(lookup.begin() + std::ptrdiff_t(first), lookup.begin() + std::ptrdiff_t(end),
                  std::uint16_t((symbol << 5) | length));
    }
    return true;
}
