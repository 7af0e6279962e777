#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <boost/crc.hpp>

#include "image/ByteSource.h"
#include "image/ChdHuffman.h"

// Where one hunk of a CHD is and how it is stored.
struct ChdHunk {
    enum class Kind : std::uint8_t {
        Codec,   // compressed with the header's codec number `codec`
        Plain,   // stored as it is
        Mini,    // `offset` holds 8 bytes that repeat through the hunk
        Self,    // the same bytes as the earlier hunk number `offset`
        Parent,  // the bytes of a parent CHD, which this reader does not open
        Zero,    // not stored: zeros
    };
    // The checksum of the hunk's bytes that `crc` holds.
    enum class Check : std::uint8_t { None, Crc16, Crc32 };

    std::uint64_t offset = 0;
    std::uint32_t length = 0;  // stored bytes
    std::uint32_t crc = 0;
    Kind kind = Kind::Zero;
    std::uint8_t codec = 0;
    Check check = Check::None;
};

// The hunk map of a CHD: for each hunk, where it is stored. One derived
// class per way the map is stored.
class ChdMap {
public:
    virtual ~ChdMap() = default;

    // The entry of a hunk; nothing when the map is damaged there (it points
    // outside the file, or the map fails its checksum).
    virtual std::optional<ChdHunk> Entry(std::uint64_t hunk) = 0;
};

// What the map's readers need of the header.
struct ChdGeometry {
    std::uint64_t hunkCount = 0;
    std::uint32_t hunkBytes = 0;
    std::uint32_t unitBytes = 0;
    std::uint64_t fileBytes = 0;
};

// The map of an uncompressed CHD: one 32-bit hunk position per hunk, in
// units of the hunk size; 0 for a hunk that was never written.
class ChdPlainMap final : public ChdMap {
public:
    ChdPlainMap(std::vector<unsigned char> table, const ChdGeometry& geometry);
    std::optional<ChdHunk> Entry(std::uint64_t hunk) override;

private:
    std::vector<unsigned char> table;
    ChdGeometry geometry;
};

// The map of a compressed CHD: the kind of every hunk, Huffman-coded with
// runs, then per hunk the fields its kind needs (stored length and CRC, the
// number of the hunk it repeats), packed with bit widths the map's header
// gives; positions follow from the lengths. A CRC-16 of the map as 12-byte
// entries closes it. Decoding runs only as far as the hunks asked for, so
// opening a disc of millions of hunks to read its first files stays cheap;
// the checksum is checked once the last hunk has been decoded.
class ChdCompressedMap final : public ChdMap {
public:
    // `bits`: the map after its 16-byte header, which gives the other values.
    ChdCompressedMap(std::vector<unsigned char> bits, const ChdGeometry& geometry,
                     std::uint64_t firstOffset, std::uint16_t mapCrc, int lengthBits, int selfBits,
                     int parentBits);

    // False when the hunk kinds could not be decoded.
    bool IsValid() const { return valid; }
    std::optional<ChdHunk> Entry(std::uint64_t hunk) override;

private:
    bool DecodeKinds();
    bool DecodeNext();
    bool Fail();

    std::vector<unsigned char> bits;
    ChdBitReader reader;
    ChdGeometry geometry;
    std::uint64_t nextOffset;
    std::uint16_t mapCrc;
    int lengthBits;
    int selfBits;
    int parentBits;
    bool valid = false;

    // The kinds as runs: (hunk after the run, kind code).
    std::vector<std::pair<std::uint64_t, std::uint8_t>> runs;
    std::size_t run = 0;
    // The entries decoded so far, in sixteen bytes each (a DVD's map has
    // millions); codes 0 to 3 are the codecs, then NONE, SELF and PARENT.
    struct Decoded {
        std::uint64_t offset;
        std::uint32_t length;
        std::uint16_t crc;
        std::uint8_t code;
    };
    std::vector<Decoded> entries;
    std::uint64_t lastSelf = 0;
    std::uint64_t lastParent = 0;
    boost::crc_ccitt_type mapSum;
};

// The map of a version 4 CHD: 16 bytes a hunk after the header (position,
// CRC-32, stored length, kind), read entry by entry as hunks are asked for.
class ChdMapV4 final : public ChdMap {
public:
    static constexpr std::uint64_t MAP_OFFSET = 108;

    ChdMapV4(std::shared_ptr<const ByteSource> file, const ChdGeometry& geometry)
        : file(std::move(file)), geometry(geometry) {}
    std::optional<ChdHunk> Entry(std::uint64_t hunk) override;

private:
    std::shared_ptr<const ByteSource> file;
    ChdGeometry geometry;
};

// Reads the map of a version 5 CHD; null with `problem` set when it is
// damaged.
std::unique_ptr<ChdMap> ReadChdMap(const ByteSource& file, const ChdGeometry& geometry,
                                   bool compressed, std::uint64_t mapOffset, std::string& problem);
