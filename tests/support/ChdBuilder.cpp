#include "support/ChdBuilder.h"

#include <libdeflate.h>
#include <zstd.h>

#include <boost/crc.hpp>
#include <map>
#include <stdexcept>

#include "support/PutBytes.h"

namespace testsupport {
namespace {

constexpr std::size_t FRAME = 2448;
constexpr std::size_t SECTOR = 2352;

std::string Zstd(const std::string& data) {
    std::string out(ZSTD_compressBound(data.size()), '\0');
    const std::size_t size = ZSTD_compress(out.data(), out.size(), data.data(), data.size(), 19);
    if (ZSTD_isError(size)) throw std::runtime_error("zstd compression failed");
    out.resize(size);
    return out;
}

// A CD hunk: no frame has its error codes dropped, then the sector bytes of
// all frames and their subcode bytes, each compressed on its own.
std::string CdHunk(const std::string& hunk) {
    const std::size_t frames = hunk.size() / FRAME;
    std::string sectors;
    std::string subcode;
    for (std::size_t frame = 0; frame < frames; ++frame) {
        sectors += hunk.substr(frame * FRAME, SECTOR);
        subcode += hunk.substr(frame * FRAME + SECTOR, FRAME - SECTOR);
    }
    const std::string base = Zstd(sectors);
    const int lengthBytes = hunk.size() < 65536 ? 2 : 3;
    return std::string((frames + 7) / 8, '\0') + BytesBE(base.size(), lengthBytes) + base +
           Zstd(subcode);
}

class BitWriter {
public:
    void Put(std::uint64_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            if (used % 8 == 0) bytes += '\0';
            if ((value >> i) & 1) bytes.back() = char(bytes.back() | (0x80 >> (used % 8)));
            ++used;
        }
    }
    const std::string& Bytes() const { return bytes; }

private:
    std::string bytes;
    std::size_t used = 0;
};

// Appends the metadata chain and points the header field at `at` to it.
void AppendMetadata(std::string& out, std::size_t at,
                    const std::vector<std::pair<std::string, std::string>>& metadata) {
    PutBE(out, at, metadata.empty() ? 0 : out.size(), 8);
    for (std::size_t i = 0; i < metadata.size(); ++i) {
        const auto& [tag, bytes] = metadata[i];
        const std::size_t next = i + 1 < metadata.size() ? out.size() + 16 + bytes.size() : 0;
        out += tag + BytesBE(0x01000000u | bytes.size(), 4) + BytesBE(next, 8) + bytes;
    }
}

}  // namespace

std::string ChdTrackText(int track, const std::string& type, std::uint64_t frames) {
    return "TRACK:" + std::to_string(track) + " TYPE:" + type +
           " SUBTYPE:NONE FRAMES:" + std::to_string(frames) +
           " PREGAP:0 PGTYPE:MODE1 PGSUB:RW POSTGAP:0" + std::string(1, '\0');
}

std::string ChdFrames(const std::string& sectors, std::size_t sectorBytes) {
    std::string frames;
    const std::size_t count = sectors.size() / sectorBytes;
    for (std::size_t i = 0; i < count; ++i) {
        std::string frame = sectors.substr(i * sectorBytes, sectorBytes);
        frame.resize(SECTOR, '\0');
        frame.append(FRAME - SECTOR, char(0x40 + i % 16));
        frames += frame;
    }
    frames.resize((count + 3) / 4 * 4 * FRAME, '\0');
    return frames;
}

namespace {

// Version 4: header, map of 16-byte entries, metadata, hunks.
std::string MakeChdV4(const ChdSpec& spec) {
    const std::size_t hunks = (spec.data.size() + spec.hunkBytes - 1) / spec.hunkBytes;
    std::string out(108 + hunks * 16, '\0');
    out.replace(0, 8, "MComprHD");
    PutBE(out, 8, 108, 4);
    PutBE(out, 12, 4, 4);
    PutBE(out, 20, 1, 4);  // deflate
    PutBE(out, 24, hunks, 4);
    PutBE(out, 28, spec.data.size(), 8);
    PutBE(out, 44, spec.hunkBytes, 4);
    AppendMetadata(out, 36, spec.metadata);
    std::map<std::string, std::size_t> seen;
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(9);
    for (std::size_t hunk = 0; hunk < hunks; ++hunk) {
        std::string bytes = spec.data.substr(hunk * spec.hunkBytes, spec.hunkBytes);
        bytes.resize(spec.hunkBytes, '\0');
        const std::size_t entry = 108 + hunk * 16;
        PutBE(out, entry + 8, libdeflate_crc32(0, bytes.data(), bytes.size()), 4);
        if (bytes.find_first_not_of('\0') == std::string::npos) {
            out[entry + 15] = 3;  // mini: eight zero bytes, repeated
            continue;
        }
        if (const auto earlier = seen.find(bytes); earlier != seen.end()) {
            PutBE(out, entry, earlier->second, 8);
            out[entry + 15] = 4;
            continue;
        }
        seen.emplace(bytes, hunk);
        std::string stored(bytes.size(), '\0');
        stored.resize(libdeflate_deflate_compress(compressor, bytes.data(), bytes.size(),
                                                  stored.data(), stored.size()));
        out[entry + 15] = stored.empty() ? 2 : 1;
        if (stored.empty()) stored = bytes;
        PutBE(out, entry, out.size(), 8);
        PutBE(out, entry + 12, stored.size() & 0xFFFF, 2);
        out[entry + 14] = char(stored.size() >> 16);
        out += stored;
    }
    libdeflate_free_compressor(compressor);
    return out;
}

}  // namespace

std::string MakeChd(const ChdSpec& spec) {
    if (spec.version == 4) return MakeChdV4(spec);
    const std::size_t hunks = (spec.data.size() + spec.hunkBytes - 1) / spec.hunkBytes;
    std::string out(124, '\0');
    out.replace(0, 8, "MComprHD");
    PutBE(out, 8, 124, 4);
    PutBE(out, 12, 5, 4);
    out.replace(16, 4, spec.codec);
    PutBE(out, 32, spec.data.size(), 8);
    PutBE(out, 56, spec.hunkBytes, 4);
    PutBE(out, 60, spec.unitBytes, 4);

    AppendMetadata(out, 48, spec.metadata);

    // Kind codes: 0 the header's codec, 4 plain, 5 an earlier hunk.
    const std::uint64_t firstOffset = out.size();
    BitWriter kinds;
    BitWriter fields;
    for (int symbol = 0; symbol < 16; ++symbol) kinds.Put(4, 4);
    std::string rawMap;
    std::map<std::string, std::size_t> seen;
    for (std::size_t hunk = 0; hunk < hunks; ++hunk) {
        std::string bytes = spec.data.substr(hunk * spec.hunkBytes, spec.hunkBytes);
        bytes.resize(spec.hunkBytes, '\0');
        boost::crc_ccitt_type crc;
        crc.process_bytes(bytes.data(), bytes.size());
        int code = 0;
        std::uint64_t length = 0;
        std::uint64_t offset = out.size();
        std::uint16_t sum = crc.checksum();
        if (const auto earlier = seen.find(bytes); earlier != seen.end()) {
            code = 5;
            offset = earlier->second;
            sum = 0;
            fields.Put(offset, 32);
        } else {
            seen.emplace(bytes, hunk);
            std::string stored = spec.codec == "cdzs" ? CdHunk(bytes) : Zstd(bytes);
            if (stored.size() >= bytes.size()) {
                code = 4;
                stored = bytes;
            } else {
                fields.Put(stored.size(), 24);
            }
            fields.Put(sum, 16);
            length = stored.size();
            out += stored;
        }
        kinds.Put(std::uint64_t(code), 4);
        rawMap += char(code) + BytesBE(length, 3) + BytesBE(offset, 6) + BytesBE(sum, 2);
    }
    boost::crc_ccitt_type mapCrc;
    mapCrc.process_bytes(rawMap.data(), rawMap.size());

    // The fields follow the kinds in one bit stream.
    BitWriter map = kinds;
    for (unsigned char byte : fields.Bytes()) map.Put(byte, 8);
    PutBE(out, 40, out.size(), 8);
    out += BytesBE(map.Bytes().size(), 4) + BytesBE(firstOffset, 6) +
           BytesBE(mapCrc.checksum(), 2) + char(24) + char(32) + char(0) + char(0) + map.Bytes();
    return out;
}

}  // namespace testsupport
