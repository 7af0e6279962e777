#include "archive/ArchiveFormat.h"

#include <optional>

#include "image/ByteOrder.h"
#include "platform/ReadOnlyFile.h"

namespace {

constexpr std::string_view RAR4_SIGNATURE("Rar!\x1A\x07\x00", 7);
constexpr std::string_view RAR5_SIGNATURE("Rar!\x1A\x07\x01\x00", 8);
constexpr std::string_view SEVEN_ZIP_SIGNATURE("7z\xBC\xAF\x27\x1C", 6);
constexpr std::string_view CAB_SIGNATURE("MSCF", 4);

// RAR 4 main header: CRC (2 bytes), type 0x73 (1), flags (2); flag 1 = volume.
constexpr std::size_t RAR4_TYPE = 9;
constexpr std::size_t RAR4_FLAGS = 10;
constexpr unsigned char RAR4_MAIN_HEADER = 0x73;
// RAR 5 header flags and archive flags of the main header.
constexpr std::uint64_t RAR5_EXTRA_AREA = 0x1;
constexpr std::uint64_t RAR5_DATA_AREA = 0x2;
constexpr std::uint64_t RAR5_MAIN_HEADER = 1;
constexpr std::uint64_t RAR5_VOLUME = 0x1;
// A RAR 5 number takes at most 10 bytes of 7 bits.
constexpr int MAX_VINT_BYTES = 10;

// 7z signature header: next header offset at 12 and size at 20, both counted
// from the end of the 32-byte signature header.
constexpr std::size_t SEVEN_ZIP_HEADER = 32;
constexpr std::size_t SEVEN_ZIP_NEXT_OFFSET = 12;
constexpr std::size_t SEVEN_ZIP_NEXT_SIZE = 20;

// LZH: "-lh?-" at 2, header level at 20, name length at 21.
constexpr std::size_t LZH_METHOD = 2;
constexpr std::size_t LZH_LEVEL = 20;
constexpr std::size_t LZH_NAME_LENGTH = 21;
constexpr std::size_t LZH_LEVEL2_SYSTEM = 23;
// Level 0 and 1: the system byte (or the Unix extension's 'U') follows the
// name and its CRC.
constexpr std::size_t LZH_AFTER_NAME = 24;
constexpr char UNIX_SYSTEM = 'U';

const unsigned char* Bytes(std::string_view head) {
    return reinterpret_cast<const unsigned char*>(head.data());
}

// Reads a RAR 5 variable-length number at `at`, moving `at` past it.
std::optional<std::uint64_t> ReadVint(std::string_view head, std::size_t& at) {
    std::uint64_t value = 0;
    for (int shift = 0; shift < 7 * MAX_VINT_BYTES; shift += 7) {
        if (at >= head.size()) return std::nullopt;
        const auto byte = static_cast<unsigned char>(head[at++]);
        value |= std::uint64_t(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0) return value;
    }
    return std::nullopt;
}

bool Rar5DeclaresVolumes(std::string_view head) {
    std::size_t at = RAR5_SIGNATURE.size() + 4;  // past the header's CRC
    const auto size = ReadVint(head, at);
    const auto type = ReadVint(head, at);
    const auto flags = ReadVint(head, at);
    if (!size || !type || !flags || *type != RAR5_MAIN_HEADER) return false;
    if ((*flags & RAR5_EXTRA_AREA) && !ReadVint(head, at)) return false;
    if ((*flags & RAR5_DATA_AREA) && !ReadVint(head, at)) return false;
    const auto archiveFlags = ReadVint(head, at);
    return archiveFlags && (*archiveFlags & RAR5_VOLUME) != 0;
}

bool LzhMadeOnUnix(std::string_view head) {
    const unsigned char* p = Bytes(head);
    const unsigned level = p[LZH_LEVEL];
    std::size_t system = LZH_LEVEL2_SYSTEM;
    if (level <= 1) {
        system = LZH_AFTER_NAME + p[LZH_NAME_LENGTH];
        // A level 0 header holds the Unix extension only when it is long enough.
        if (level == 0 && std::size_t(p[0]) + 2 <= system) return false;
    }
    return system < head.size() && head[system] == UNIX_SYSTEM;
}

bool IsLzh(std::string_view head) {
    return head.size() > LZH_NAME_LENGTH && head[LZH_METHOD] == '-' &&
           head[LZH_METHOD + 1] == 'l' && head[LZH_METHOD + 4] == '-';
}

}  // namespace

ArchiveSignature SignatureOf(std::string_view head) {
    ArchiveSignature signature;
    const unsigned char* p = Bytes(head);
    if (head.starts_with(RAR4_SIGNATURE)) {
        signature.format = ArchiveFormat::Rar;
        signature.declaresVolumes = head.size() > RAR4_FLAGS + 1 &&
                                    p[RAR4_TYPE] == RAR4_MAIN_HEADER &&
                                    (ReadLE16(p + RAR4_FLAGS) & 0x1) != 0;
    } else if (head.starts_with(RAR5_SIGNATURE)) {
        signature.format = ArchiveFormat::Rar;
        signature.declaresVolumes = Rar5DeclaresVolumes(head);
    } else if (head.starts_with(SEVEN_ZIP_SIGNATURE)) {
        signature.format = ArchiveFormat::SevenZip;
        if (head.size() >= SEVEN_ZIP_HEADER) {
            const std::uint64_t offset = ReadLE64(p + SEVEN_ZIP_NEXT_OFFSET);
            const std::uint64_t size = ReadLE64(p + SEVEN_ZIP_NEXT_SIZE);
            // Values that overflow are damage, which the extractor reports.
            if (offset < UINT64_MAX / 4 && size < UINT64_MAX / 4) {
                signature.sevenZipEnd = SEVEN_ZIP_HEADER + offset + size;
            }
        }
    } else if (head.starts_with("PK")) {
        signature.format = ArchiveFormat::Zip;
    } else if (head.starts_with(CAB_SIGNATURE)) {
        signature.format = ArchiveFormat::Cab;
    } else if (IsLzh(head)) {
        signature.format = ArchiveFormat::Lzh;
        signature.madeOnUnix = LzhMadeOnUnix(head);
    } else if (head.starts_with("MZ") || head.starts_with("\x7F"
                                                          "ELF")) {
        signature.format = ArchiveFormat::SelfExtracting;
    }
    return signature;
}

ArchiveSignature ReadSignature(const std::string& path) {
    return ReadSignature(platform::ReadOnlyFile(path));
}

ArchiveSignature ReadSignature(const platform::ReadOnlyFile& file) {
    char head[SIGNATURE_BYTES];
    const std::optional<std::size_t> length = file.ReadAt(head, sizeof head, 0);
    if (!length || *length == 0) return {};
    return SignatureOf(std::string_view(head, *length));
}
