#include "image/ChdFile.h"

#include <cstring>

#include "image/ByteOrder.h"
#include "platform/Crc32.h"

namespace {

constexpr std::size_t HEADER_BYTES = 124;
constexpr std::size_t HEADER_BYTES_V4 = 108;
// chdman makes hunks of a few kilobytes; the cache holds several.
constexpr std::uint32_t MAX_HUNK_BYTES = 1 << 20;
// 16 Mi hunks of 2 KiB cover a dual-layer DVD twice over.
constexpr std::uint64_t MAX_HUNKS = 1 << 24;
constexpr std::size_t CACHED_HUNKS = 8;
// CD track lists take a few kilobytes; the chain is cut off well past them.
constexpr int MAX_METADATA_ENTRIES = 1024;
constexpr std::uint32_t MAX_METADATA_BYTES = 1 << 16;

}  // namespace

ChdFile::ChdFile(std::shared_ptr<const ByteSource> source) : file(std::move(source)) {
    if (!file || !ReadHeader()) return;
    cache = std::make_unique<BlockCache>(geometry.hunkBytes, CACHED_HUNKS);
    valid = true;
}

bool ChdFile::Fail(std::string why) {
    problem = std::move(why);
    return false;
}

bool ChdFile::ReadHeader() {
    unsigned char header[HEADER_BYTES];
    if (!file->ReadExactly(header, 16, 0) || std::memcmp(header, MAGIC, sizeof MAGIC) != 0) {
        return Fail("has no CHD header");
    }
    const std::uint32_t version = ReadBE32(header + 12);
    const std::uint32_t headerBytes = version == 4 ? HEADER_BYTES_V4 : HEADER_BYTES;
    if (version != 4 && version != 5) {
        return Fail("is a version " + std::to_string(version) +
                    " CHD; this reader knows versions 4 and 5 (chdman copy makes one)");
    }
    if (ReadBE32(header + 8) != headerBytes || !file->ReadExactly(header, headerBytes, 0)) {
        return Fail("has a damaged header");
    }
    return version == 4 ? ReadHeaderV4(header) : ReadHeaderV5(header);
}

bool ChdFile::CheckGeometry() {
    geometry.fileBytes = file->Size();
    if (geometry.hunkBytes == 0 || geometry.hunkBytes > MAX_HUNK_BYTES || geometry.unitBytes == 0 ||
        geometry.hunkBytes % geometry.unitBytes != 0 || logicalBytes == 0) {
        return Fail("has a damaged header");
    }
    geometry.hunkCount = (logicalBytes - 1) / geometry.hunkBytes + 1;
    if (geometry.hunkCount > MAX_HUNKS) return Fail("is larger than any disc");
    return true;
}

bool ChdFile::ReadHeaderV5(const unsigned char* header) {
    std::array<std::uint32_t, 4> tags;
    for (std::size_t i = 0; i < tags.size(); ++i) tags[i] = ReadBE32(header + 16 + 4 * i);
    logicalBytes = ReadBE64(header + 32);
    const std::uint64_t mapOffset = ReadBE64(header + 40);
    const std::uint64_t metaOffset = ReadBE64(header + 48);
    geometry.hunkBytes = ReadBE32(header + 56);
    geometry.unitBytes = ReadBE32(header + 60);

    static const unsigned char NO_PARENT[20] = {};
    if (std::memcmp(header + 104, NO_PARENT, sizeof NO_PARENT) != 0) {
        return Fail("holds only the changes to a parent CHD, which is not read");
    }
    if (!CheckGeometry()) return false;
    for (std::size_t i = 0; i < tags.size(); ++i) {
        if (tags[i] == 0) continue;
        codecs[i] = MakeChdCodec(tags[i]);
        if (!codecs[i]) return Fail("is compressed with a codec this reader does not know");
    }
    map = ReadChdMap(*file, geometry, tags[0] != 0, mapOffset, problem);
    return map != nullptr && ReadMetadata(metaOffset);
}

// Version 4: flags, one compression for every hunk, the hunk count, and the
// map right after the header. Its hunks are checked with CRC-32.
bool ChdFile::ReadHeaderV4(const unsigned char* header) {
    const std::uint32_t flags = ReadBE32(header + 16);
    const std::uint32_t compression = ReadBE32(header + 20);
    const std::uint32_t hunks = ReadBE32(header + 24);
    logicalBytes = ReadBE64(header + 28);
    const std::uint64_t metaOffset = ReadBE64(header + 36);
    geometry.hunkBytes = ReadBE32(header + 44);
    geometry.unitBytes = geometry.hunkBytes;
    if ((flags & 1) != 0) return Fail("holds only the changes to a parent CHD, which is not read");
    if (!CheckGeometry()) return false;
    if (hunks < geometry.hunkCount) return Fail("has a damaged header");
    // 1 and 2 are raw deflate at two settings; 3 is a codec for video.
    if (compression == 1 || compression == 2) {
        codecs[0] = MakeChdCodec(ChdTag("zlib"));
    } else if (compression != 0) {
        return Fail("is compressed with a codec this reader does not know");
    }
    if (ChdMapV4::MAP_OFFSET + geometry.hunkCount * 16 > geometry.fileBytes) {
        return Fail("has a hunk map past its end");
    }
    map = std::make_unique<ChdMapV4>(file, geometry);
    return ReadMetadata(metaOffset);
}

bool ChdFile::ReadMetadata(std::uint64_t offset) {
    for (int count = 0; offset != 0; ++count) {
        unsigned char entry[16];
        if (count == MAX_METADATA_ENTRIES || !file->ReadExactly(entry, sizeof entry, offset)) {
            return Fail("has damaged metadata");
        }
        const std::uint32_t length = ReadBE32(entry + 4) & 0xFFFFFF;
        ChdMetadata item;
        item.tag = ReadBE32(entry);
        // Only short entries are read; large ones (pictures, for instance)
        // say nothing about the disc's tracks.
        if (length <= MAX_METADATA_BYTES) {
            item.data.resize(length);
            if (!file->ReadExactly(item.data.data(), length, offset + sizeof entry)) {
                return Fail("has damaged metadata");
            }
        }
        metadata.push_back(std::move(item));
        offset = ReadBE64(entry + 8);
    }
    return true;
}

bool ChdFile::Damaged(std::uint64_t hunk, const char* what) const {
    const std::lock_guard<std::mutex> hold(damageLock);
    if (damage.empty()) {
        damage = "is damaged: hunk " + std::to_string(hunk) + " of " +
                 std::to_string(geometry.hunkCount) + " " + what;
    }
    return false;
}

std::string ChdFile::Damage() const {
    const std::lock_guard<std::mutex> hold(damageLock);
    return damage;
}

bool ChdFile::DecodeHunk(std::uint64_t hunk, unsigned char* into) const {
    std::optional<ChdHunk> entry = map->Entry(hunk);
    // A repeated hunk names an earlier one, which may repeat another in turn.
    while (entry && entry->kind == ChdHunk::Kind::Self) entry = map->Entry(entry->offset);
    if (!entry) return Damaged(hunk, "has a damaged entry in the hunk map");

    const std::size_t size = geometry.hunkBytes;
    switch (entry->kind) {
        case ChdHunk::Kind::Zero:
            std::memset(into, 0, size);
            return true;
        case ChdHunk::Kind::Mini:
            for (std::size_t i = 0; i < size; ++i) {
                into[i] = static_cast<unsigned char>(entry->offset >> (56 - 8 * (i % 8)));
            }
            break;
        case ChdHunk::Kind::Plain:
            if (!file->ReadExactly(into, size, entry->offset)) {
                return Damaged(hunk, "cannot be read");
            }
            break;
        case ChdHunk::Kind::Codec: {
            ChdCodec* codec = codecs[entry->codec].get();
            if (codec == nullptr) return Damaged(hunk, "names a codec the header does not list");
            stored.resize(entry->length);
            if (!file->ReadExactly(stored.data(), stored.size(), entry->offset)) {
                return Damaged(hunk, "cannot be read");
            }
            if (!codec->Decompress(stored.data(), stored.size(), into, size)) {
                return Damaged(hunk, "does not decompress");
            }
            break;
        }
        case ChdHunk::Kind::Parent:
            return Damaged(hunk, "lies in a parent CHD, which is not read");
        default:
            return Damaged(hunk, "has a damaged entry in the hunk map");
    }
    bool sound = true;
    switch (entry->check) {
        case ChdHunk::Check::Crc16: {
            boost::crc_ccitt_type sum;
            sum.process_bytes(into, size);
            sound = sum.checksum() == entry->crc;
            break;
        }
        case ChdHunk::Check::Crc32:
            sound = platform::Crc32Update(0, into, size) == entry->crc;
            break;
        case ChdHunk::Check::None:
            break;
    }
    return sound || Damaged(hunk, "fails its CRC check once decompressed");
}

bool ChdFile::ReadHunk(std::uint64_t hunk, std::size_t offset, std::size_t length,
                       unsigned char* into) const {
    if (!valid) return false;
    return cache->Read(
        hunk, offset, length, into,
        [this](std::uint64_t number, unsigned char* out) { return DecodeHunk(number, out); });
}

std::optional<std::size_t> ChdFile::ReadLogical(void* into, std::size_t length,
                                                std::uint64_t offset) const {
    if (!valid) return std::nullopt;
    return cache->ReadImage(
        logicalBytes, into, length, offset,
        [this](std::uint64_t number, unsigned char* out) { return DecodeHunk(number, out); });
}
