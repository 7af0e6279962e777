#include "image/KelCDFileSystem.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "image/ByteOrder.h"
#include "platform/AsciiCase.h"
#include "platform/Crc32.h"

namespace {

constexpr std::uint64_t BLOCK = 2048;
constexpr std::int64_t VOLUME_DESCRIPTOR_SECTOR = 16;

// Fields of the primary volume descriptor (offsets in its 2048-byte block).
constexpr std::size_t PVD_PATH_TABLE_SIZE = 132;    // LE32
constexpr std::size_t PVD_TYPE_L_PATH_TABLE = 140;  // LE32, first sector of the table
constexpr std::size_t PVD_ROOT_RECORD = 156;        // the root's directory record
constexpr std::size_t RECORD_DATA_LENGTH = 10;      // LE32 in a directory record

// Fields of a path table record.
constexpr std::size_t PATH_IDENTIFIER_LENGTH = 0;  // byte
constexpr std::size_t PATH_EXTENT = 2;             // LE32
constexpr std::size_t PATH_PARENT = 6;             // LE16
constexpr std::size_t PATH_IDENTIFIER = 8;         // the identifier, padded to even length

// Fields of a directory record.
constexpr std::size_t RECORD_LENGTH = 0;              // byte; 0 pads the rest of a sector
constexpr std::size_t RECORD_EXTENT = 2;              // LE32
constexpr std::size_t RECORD_FLAGS = 25;              // byte
constexpr std::size_t RECORD_IDENTIFIER_LENGTH = 32;  // byte
constexpr std::size_t RECORD_IDENTIFIER = 33;         // the identifier
constexpr unsigned char FLAG_DIRECTORY = 0x02;
constexpr unsigned char FLAG_MORE_EXTENTS = 0x80;

// Path table directory numbers are 16-bit: no disc can refer to more rows.
constexpr std::size_t MAX_DIRECTORIES = 65536;

// The files identification reads (SYSTEM.CNF, boot executables, UMD_DATA.BIN,
// marker files) are a few megabytes at most; a larger claim is not loaded.
constexpr std::uint64_t MAX_LOADED_FILE = 64 << 20;

// Blocks that hold `bytes`: at least one, so that a loaded file always has
// room for one byte past its end.
std::uint64_t BlocksFor(std::uint64_t bytes) {
    return bytes / BLOCK + 1;
}

// Blocks the data of `bytes` occupies on the disc.
std::uint64_t SectorsOf(std::uint64_t bytes) {
    return (bytes + BLOCK - 1) / BLOCK;
}

// An identifier as text: up to its first zero byte.
std::string IdentifierText(const unsigned char* bytes, std::size_t length) {
    const auto* end = static_cast<const unsigned char*>(std::memchr(bytes, 0, length));
    return std::string(reinterpret_cast<const char*>(bytes),
                       end ? static_cast<std::size_t>(end - bytes) : length);
}

}  // namespace

KelCDFileSystem::KelCDFileSystem(const std::string& imagePath, const CueSheet* sheet)
    : KelCDFileSystem(imagePath, DiskFiles(), sheet) {}

KelCDFileSystem::KelCDFileSystem(const std::string& imagePath, const ImageFiles& files,
                                 const CueSheet* sheet)
    : KelCDFileSystem(std::make_unique<KelCDImage>(imagePath, files, sheet)) {}

KelCDFileSystem::KelCDFileSystem(std::unique_ptr<KelCDImage> opened) : image(std::move(opened)) {
    if (image->IsOpened()) ReadIndex();
}

std::string KelCDFileSystem::Problem() const {
    return image->Problem().empty() ? image->ReadProblem() : image->Problem();
}

bool KelCDFileSystem::HoldsExtent(std::uint64_t extent, std::uint64_t bytes) const {
    // Nothing to hold, wherever a record of no bytes points.
    if (bytes == 0) return true;
    const std::uint64_t sectors = std::uint64_t(image->SectorCount());
    return extent <= sectors && SectorsOf(bytes) <= sectors - extent;
}

bool KelCDFileSystem::LoadBlocks(std::uint64_t extent, std::uint64_t bytes,
                                 std::vector<unsigned char>& into) {
    into.assign(BlocksFor(bytes) * BLOCK, 0);
    if (!HoldsExtent(extent, bytes)) return false;
    return image->ReadSectors(into.data(), std::int64_t(extent), std::int32_t(SectorsOf(bytes)));
}

void KelCDFileSystem::ReadIndex() {
    // Nothing the disc describes can be larger than the image that holds it.
    const std::uint64_t imageBytes = std::uint64_t(image->SectorCount()) * BLOCK;
    // A damaged path table can send every directory over the whole image;
    // together the directories of a real disc never hold more than it does.
    std::uint64_t directoryBytesLeft = 2 * imageBytes + 64 * BLOCK;

    directories.push_back({"dummy", 0, 0, 0});

    std::vector<unsigned char> descriptor;
    if (!LoadBlocks(VOLUME_DESCRIPTOR_SECTOR, BLOCK, descriptor)) return;
    const std::uint32_t pathTableSize = ReadLE32(&descriptor[PVD_PATH_TABLE_SIZE]);
    const std::uint32_t pathTableSector = ReadLE32(&descriptor[PVD_TYPE_L_PATH_TABLE]);
    const std::uint32_t rootSize = ReadLE32(&descriptor[PVD_ROOT_RECORD + RECORD_DATA_LENGTH]);
    if (pathTableSize > imageBytes) return;

    std::vector<unsigned char> pathTable;
    if (!LoadBlocks(pathTableSector, pathTableSize, pathTable)) return;
    if (!WalkPathTable(pathTable, pathTableSize, rootSize)) return;

    std::vector<unsigned char> buffer;
    for (std::size_t row = 1; row < directories.size(); ++row) {
        const std::uint64_t size = directories[row].size;
        if (size > imageBytes) continue;
        const std::uint64_t bytes = BlocksFor(size) * BLOCK;
        if (bytes > directoryBytesLeft) break;
        directoryBytesLeft -= bytes;
        // A directory the image does not hold whole is damage: its files
        // are not listed.
        if (!LoadBlocks(directories[row].extent, size, buffer)) continue;
        WalkDirectory(row, buffer);
    }
    valid = true;
}

bool KelCDFileSystem::WalkPathTable(const std::vector<unsigned char>& table,
                                    std::uint32_t tableSize, std::uint32_t rootSize) {
    std::size_t offset = 0;
    while (offset < tableSize && directories.size() < MAX_DIRECTORIES) {
        if (offset + PATH_IDENTIFIER > table.size()) break;
        const std::size_t length = table[offset + PATH_IDENTIFIER_LENGTH];
        if (offset + PATH_IDENTIFIER + length > table.size()) break;

        DirectoryEntry row;
        row.extent = ReadLE32(&table[offset + PATH_EXTENT]);
        row.parent = ReadLE16(&table[offset + PATH_PARENT]);
        row.size = rootSize;
        const std::string identifier =
            platform::ToLowerAscii(IdentifierText(&table[offset + PATH_IDENTIFIER], length));
        offset += PATH_IDENTIFIER + length + (length & 1);

        if (row.parent <= 1) {
            row.name = directories.size() > 1 ? identifier + "\\" : identifier;
        } else {
            if (row.parent >= directories.size()) break;
            row.name = directories[row.parent].name + identifier + "\\";
        }
        firstDirectoryByName.emplace(row.name, directories.size());
        directories.push_back(std::move(row));
    }
    return directories.size() > 1;
}

void KelCDFileSystem::WalkDirectory(std::size_t row, std::vector<unsigned char>& buffer) {
    const std::string folder = directories[row].name;
    const std::size_t size = directories[row].size;
    std::size_t offset = 0;
    while (offset < size) {
        if (offset + RECORD_IDENTIFIER > buffer.size()) break;
        const std::size_t length = buffer[offset + RECORD_LENGTH];
        if (length == 0) {
            // Records never cross a sector boundary: the zeros pad this sector
            // and the directory goes on in the next one.
            offset = (offset / BLOCK + 1) * BLOCK;
            continue;
        }
        const std::size_t identifierLength = buffer[offset + RECORD_IDENTIFIER_LENGTH];
        if (length < RECORD_IDENTIFIER + identifierLength || offset + length > buffer.size()) {
            break;  // a record that does not hold its own identifier is damage
        }
        const std::uint32_t extent = ReadLE32(&buffer[offset + RECORD_EXTENT]);
        const std::uint32_t dataLength = ReadLE32(&buffer[offset + RECORD_DATA_LENGTH]);
        const bool isDirectory = (buffer[offset + RECORD_FLAGS] & FLAG_DIRECTORY) != 0;
        const bool continued = (buffer[offset + RECORD_FLAGS] & FLAG_MORE_EXTENTS) != 0;
        std::string identifier =
            IdentifierText(&buffer[offset + RECORD_IDENTIFIER], identifierLength);
        offset += length;

        // "NAME.EXT;1": the version goes, and so does the dot of a name
        // without extension ("QUAKE.;1" is the file QUAKE).
        identifier = identifier.substr(0, identifier.find(';'));
        if (!isDirectory && identifier.size() > 1 && identifier.back() == '.') {
            identifier.pop_back();
        }
        if (!identifier.empty() && identifier[0] == '\x01') identifier.clear();

        if (isDirectory) {
            if (identifier.empty()) continue;  // the folder's own record and its parent's
            const auto found =
                firstDirectoryByName.find(platform::ToLowerAscii(folder + identifier) + "\\");
            if (found != firstDirectoryByName.end()) directories[found->second].size = dataLength;
            continue;
        }
        // A file of several extents has one record per extent under one name;
        // the first is the one a lookup finds, and loading reads them all.
        FileEntry file{platform::ToLowerAscii(folder + identifier), extent, dataLength, continued};
        firstFileByName.emplace(file.name, files.size());
        files.push_back(std::move(file));
    }
}

std::size_t KelCDFileSystem::ExtentCount(std::size_t first) const {
    std::size_t count = 1;
    while (files[first + count - 1].continued && first + count < files.size() &&
           files[first + count].name == files[first].name) {
        ++count;
    }
    return count;
}

std::int32_t KelCDFileSystem::OpenFile(const std::string& path) {
    const auto found = firstFileByName.find(platform::ToLowerAscii(path));
    if (found == firstFileByName.end()) return -1;
    if (buffers.size() >= std::size_t(std::numeric_limits<std::int32_t>::max())) return -1;
    const std::size_t first = found->second;
    const std::size_t extents = ExtentCount(first);

    // A file larger than any the program reads, or one that runs past the end
    // of the image, is damage rather than data.
    std::uint64_t total = 0;
    for (std::size_t i = first; i < first + extents; ++i) {
        total += files[i].size;
        if (total > MAX_LOADED_FILE || !HoldsExtent(files[i].extent, files[i].size)) return -1;
    }
    auto buffer = std::make_shared<unsigned char[]>(BlocksFor(total) * BLOCK);
    std::uint64_t at = 0;
    std::vector<unsigned char> piece;
    for (std::size_t i = first; i < first + extents; ++i) {
        const FileEntry& file = files[i];
        if (at % BLOCK == 0) {
            // Straight into place: the blocks past the extent's end are
            // overwritten by the next extent or stay past the file.
            if (!image->ReadSectors(buffer.get() + at, file.extent,
                                    std::int32_t(SectorsOf(file.size)))) {
                return -1;
            }
        } else {
            if (!LoadBlocks(file.extent, file.size, piece)) return -1;
            std::memcpy(buffer.get() + at, piece.data(), file.size);
        }
        at += file.size;
    }
    buffers.push_back(std::move(buffer));
    sizes.push_back(std::int64_t(total));
    return std::int32_t(buffers.size() - 1);
}

const unsigned char* KelCDFileSystem::FileData(std::int32_t index) const {
    if (index < 0 || std::size_t(index) >= buffers.size()) return nullptr;
    return buffers[std::size_t(index)].get();
}

std::int64_t KelCDFileSystem::FileSize(std::int32_t index) const {
    if (index < 0 || std::size_t(index) >= sizes.size()) return 0;
    return sizes[std::size_t(index)];
}

std::string KelCDFileSystem::FileCrc(const std::string& path) {
    const std::int32_t index = OpenFile(path);
    if (index < 0) return platform::CRC_UNREADABLE;
    return platform::CrcText(
        platform::Crc32Update(0, FileData(index), std::size_t(FileSize(index))));
}
