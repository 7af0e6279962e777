#include "image/ChdMap.h"

#include "image/ByteOrder.h"

namespace {

// Kind codes of the compressed map. Codes 7 and 8 repeat the previous kind;
// 9 to 13 are shorthands that the map expands to Self and Parent.
enum Code : std::uint8_t {
    CODEC_LAST = 3,
    NONE = 4,
    SELF = 5,
    PARENT = 6,
    RUN_SMALL = 7,
    RUN_LARGE = 8,
    SELF_SAME = 9,
    SELF_NEXT = 10,
    PARENT_SELF = 11,
    PARENT_SAME = 12,
    PARENT_NEXT = 13,
};

constexpr std::size_t MAP_HEADER_BYTES = 16;
// A compressed map takes at most a few bytes a hunk.
constexpr std::uint64_t MAX_MAP_BYTES_PER_HUNK = 16;

std::uint64_t ReadBE48(const unsigned char* p) {
    return (std::uint64_t(ReadBE16(p)) << 32) | ReadBE32(p + 2);
}

// Whether [offset, offset + length) lies inside the file.
bool Inside(std::uint64_t offset, std::uint64_t length, std::uint64_t fileBytes) {
    return offset <= fileBytes && length <= fileBytes - offset;
}

}  // namespace

ChdPlainMap::ChdPlainMap(std::vector<unsigned char> table, const ChdGeometry& geometry)
    : table(std::move(table)), geometry(geometry) {}

std::optional<ChdHunk> ChdPlainMap::Entry(std::uint64_t hunk) {
    if (hunk >= geometry.hunkCount) return std::nullopt;
    ChdHunk entry;
    const std::uint64_t position = std::uint64_t(ReadBE32(table.data() + hunk * 4));
    if (position == 0) return entry;
    entry.kind = ChdHunk::Kind::Plain;
    entry.offset = position * geometry.hunkBytes;
    entry.length = geometry.hunkBytes;
    if (!Inside(entry.offset, entry.length, geometry.fileBytes)) return std::nullopt;
    return entry;
}

ChdCompressedMap::ChdCompressedMap(std::vector<unsigned char> mapBits, const ChdGeometry& geometry,
                                   std::uint64_t firstOffset, std::uint16_t mapCrc, int lengthBits,
                                   int selfBits, int parentBits)
    : bits(std::move(mapBits)),
      reader(bits.data(), bits.size()),
      geometry(geometry),
      nextOffset(firstOffset),
      mapCrc(mapCrc),
      lengthBits(lengthBits),
      selfBits(selfBits),
      parentBits(parentBits) {
    valid = DecodeKinds();
}

bool ChdCompressedMap::DecodeKinds() {
    ChdHuffman code(16, 8);
    if (!code.ImportRunLengthTree(reader)) return false;
    std::uint8_t last = 0;
    for (std::uint64_t hunk = 0; hunk < geometry.hunkCount;) {
        const std::uint32_t value = code.Decode(reader);
        std::uint64_t count = 1;
        if (value == RUN_SMALL) {
            count = 3 + code.Decode(reader);
        } else if (value == RUN_LARGE) {
            count = 3 + 16 + (code.Decode(reader) << 4);
            count += code.Decode(reader);
        } else {
            last = std::uint8_t(value);
        }
        if (reader.Overrun()) return false;
        hunk = std::min(geometry.hunkCount, hunk + count);
        if (!runs.empty() && runs.back().second == last) {
            runs.back().first = hunk;
        } else {
            runs.emplace_back(hunk, last);
        }
    }
    return true;
}

bool ChdCompressedMap::Fail() {
    valid = false;
    return false;
}

bool ChdCompressedMap::DecodeNext() {
    const std::uint64_t hunk = entries.size();
    while (run < runs.size() && runs[run].first <= hunk) ++run;
    if (run == runs.size()) return Fail();
    const std::uint8_t code = runs[run].second;

    Decoded entry{0, 0, 0, code};
    const std::uint64_t unitsPerHunk = geometry.hunkBytes / geometry.unitBytes;
    switch (code) {
        case 0:
        case 1:
        case 2:
        case CODEC_LAST:
        case NONE:
            // Stored hunks lie one after the other from the first offset on.
            entry.length =
                code == NONE ? geometry.hunkBytes : std::uint32_t(reader.Read(lengthBits));
            entry.offset = nextOffset;
            nextOffset += entry.length;
            entry.crc = std::uint16_t(reader.Read(16));
            if (entry.length == 0 || !Inside(entry.offset, entry.length, geometry.fileBytes)) {
                return Fail();
            }
            break;
        case SELF:
            lastSelf = reader.Read(selfBits);
            entry.offset = lastSelf;
            break;
        case SELF_NEXT:
            ++lastSelf;
            [[fallthrough]];
        case SELF_SAME:
            entry.offset = lastSelf;
            entry.code = SELF;
            break;
        case PARENT:
            lastParent = reader.Read(parentBits);
            entry.offset = lastParent;
            break;
        case PARENT_SELF:
            lastParent = hunk * unitsPerHunk;
            entry.offset = lastParent;
            entry.code = PARENT;
            break;
        case PARENT_NEXT:
            lastParent += unitsPerHunk;
            [[fallthrough]];
        case PARENT_SAME:
            entry.offset = lastParent;
            entry.code = PARENT;
            break;
        default:
            return Fail();
    }
    // A hunk repeats one written before it, never itself or a later one.
    if (entry.code == SELF && entry.offset >= hunk) return Fail();
    if (reader.Overrun()) return Fail();

    // The checksum covers each entry as 12 bytes: code, length (24 bits),
    // offset (48 bits), CRC.
    const unsigned char raw[12] = {
        entry.code,
        std::uint8_t(entry.length >> 16),
        std::uint8_t(entry.length >> 8),
        std::uint8_t(entry.length),
        std::uint8_t(entry.offset >> 40),
        std::uint8_t(entry.offset >> 32),
        std::uint8_t(entry.offset >> 24),
        std::uint8_t(entry.offset >> 16),
        std::uint8_t(entry.offset >> 8),
        std::uint8_t(entry.offset),
        std::uint8_t(entry.crc >> 8),
        std::uint8_t(entry.crc),
    };
    mapSum.process_bytes(raw, sizeof raw);
    entries.push_back(entry);
    if (entries.size() == geometry.hunkCount && mapSum.checksum() != mapCrc) return Fail();
    return true;
}

std::optional<ChdHunk> ChdCompressedMap::Entry(std::uint64_t hunk) {
    if (hunk >= geometry.hunkCount) return std::nullopt;
    while (valid && entries.size() <= hunk) DecodeNext();
    if (!valid) return std::nullopt;
    const Decoded& decoded = entries[std::size_t(hunk)];
    ChdHunk entry;
    entry.offset = decoded.offset;
    entry.length = decoded.length;
    entry.crc = decoded.crc;
    if (decoded.code <= CODEC_LAST) {
        entry.kind = ChdHunk::Kind::Codec;
        entry.codec = decoded.code;
        entry.check = ChdHunk::Check::Crc16;
    } else if (decoded.code == NONE) {
        entry.kind = ChdHunk::Kind::Plain;
        entry.check = ChdHunk::Check::Crc16;
    } else {
        entry.kind = decoded.code == SELF ? ChdHunk::Kind::Self : ChdHunk::Kind::Parent;
    }
    return entry;
}

std::optional<ChdHunk> ChdMapV4::Entry(std::uint64_t hunk) {
    unsigned char raw[16];
    if (hunk >= geometry.hunkCount || !file->ReadExactly(raw, sizeof raw, MAP_OFFSET + hunk * 16)) {
        return std::nullopt;
    }
    ChdHunk entry;
    entry.offset = ReadBE64(raw);
    entry.crc = ReadBE32(raw + 8);
    entry.length = ReadBE16(raw + 12) | (std::uint32_t(raw[14]) << 16);
    entry.check = (raw[15] & 0x10) != 0 ? ChdHunk::Check::None : ChdHunk::Check::Crc32;
    switch (raw[15] & 0x0F) {
        case 1:
            entry.kind = ChdHunk::Kind::Codec;
            break;
        case 2:
            entry.kind = ChdHunk::Kind::Plain;
            if (entry.length != geometry.hunkBytes) return std::nullopt;
            break;
        case 3:
            // Eight bytes say it all; no checksum adds to them.
            entry.kind = ChdHunk::Kind::Mini;
            entry.check = ChdHunk::Check::None;
            return entry;
        case 4:
            entry.kind = ChdHunk::Kind::Self;
            return entry.offset < hunk ? std::optional(entry) : std::nullopt;
        case 5:
            entry.kind = ChdHunk::Kind::Parent;
            return entry;
        default:
            return std::nullopt;
    }
    if (entry.length == 0 || !Inside(entry.offset, entry.length, geometry.fileBytes)) {
        return std::nullopt;
    }
    return entry;
}

std::unique_ptr<ChdMap> ReadChdMap(const ByteSource& file, const ChdGeometry& geometry,
                                   bool compressed, std::uint64_t mapOffset, std::string& problem) {
    if (!compressed) {
        // Checked against the file before anything is allocated for it.
        if (!Inside(mapOffset, geometry.hunkCount * 4, geometry.fileBytes)) {
            problem = "has a hunk map past its end";
            return nullptr;
        }
        std::vector<unsigned char> table(std::size_t(geometry.hunkCount * 4));
        if (!file.ReadExactly(table.data(), table.size(), mapOffset)) {
            problem = "cannot be read";
            return nullptr;
        }
        return std::make_unique<ChdPlainMap>(std::move(table), geometry);
    }
    unsigned char header[MAP_HEADER_BYTES];
    if (!Inside(mapOffset, sizeof header, geometry.fileBytes) ||
        !file.ReadExactly(header, sizeof header, mapOffset)) {
        problem = "has a hunk map past its end";
        return nullptr;
    }
    const std::uint64_t mapBytes = ReadBE32(header);
    const int lengthBits = header[12];
    const int selfBits = header[13];
    const int parentBits = header[14];
    if (mapBytes == 0 || mapBytes > geometry.hunkCount * MAX_MAP_BYTES_PER_HUNK + 1024 ||
        !Inside(mapOffset + sizeof header, mapBytes, geometry.fileBytes) || lengthBits > 32 ||
        selfBits > 64 || parentBits > 64) {
        problem = "has a damaged hunk map";
        return nullptr;
    }
    std::vector<unsigned char> bits(static_cast<std::size_t>(mapBytes));
    if (!file.ReadExactly(bits.data(), bits.size(), mapOffset + sizeof header)) {
        problem = "cannot be read";
        return nullptr;
    }
    auto map =
        std::make_unique<ChdCompressedMap>(std::move(bits), geometry, ReadBE48(header + 4),
                                           ReadBE16(header + 10), lengthBits, selfBits, parentBits);
    if (!map->IsValid()) {
        problem = "has a damaged hunk map";
        return nullptr;
    }
    return map;
}
