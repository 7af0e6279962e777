#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Bits as CHD files pack them: most significant bit of each byte first. A
// read past the end gives zero bits and marks the reader overrun, so a
// decoder runs to its end on damaged input and then reports it once.
class ChdBitReader {
public:
    ChdBitReader(const unsigned char* data, std::size_t length) : data(data), length(length) {}

    // The next `bits` bits (0 to 64) as a number.
    std::uint64_t Read(int bits);
    // The next `bits` bits (at most 24) without consuming them.
    std::uint32_t Peek(int bits) const;
    void Skip(int bits) { position += std::uint64_t(bits); }

    bool Overrun() const { return position > std::uint64_t(length) * 8; }

private:
    const unsigned char* data;
    std::size_t length;
    std::uint64_t position = 0;
};

// The canonical Huffman code of CHD's compressed maps and of its "huff"
// codec. Code lengths arrive in one of two encodings (run-length coded, or
// themselves Huffman-coded); codes are then handed out from the longest
// length down, each length starting where the longer ones left off.
class ChdHuffman {
public:
    ChdHuffman(int symbols, int maxBits);

    // Reads the code lengths, four or five bits each with a run escape.
    // False when they are damaged or describe no valid code.
    bool ImportRunLengthTree(ChdBitReader& bits);
    // Reads the code lengths coded with a small Huffman code of their own.
    bool ImportHuffmanTree(ChdBitReader& bits);

    std::uint32_t Decode(ChdBitReader& bits) const {
        const std::uint16_t entry = lookup[bits.Peek(maxBits)];
        bits.Skip(entry & 0x1F);
        return entry >> 5;
    }

private:
    bool Build();

    int symbols;
    int maxBits;
    std::vector<std::uint8_t> lengths;
    // By the next maxBits bits: the symbol (high bits) and its code length
    // (low five bits).
    std::vector<std::uint16_t> lookup;
};
