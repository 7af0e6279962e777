#include "image/KelCDFileSystem.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "image/ByteOrder.h"
#include "platform/AsciiCase.h"
#include "platform/Crc32.h"

namespace {

constexpr std::uint64_t BLOCK = 2048;
constexpr std::int32_t VOLUME_DESCRIPTOR_SECTOR = 16;

// Path table directory numbers are 16-bit: no disc can refer to more rows.
constexpr std::size_t MAX_DIRECTORIES = 65536;

// Sizes of the fields this reader uses.
constexpr std::size_t PATH_RECORD_HEADER = 8;
constexpr std::size_t DIRECTORY_RECORD_HEADER = 33;

std::uint64_t BlocksFor(std::uint64_t bytes) {
    return bytes / BLOCK + 1;
}

// An identifier as text: up to its first zero byte.
std::string IdentifierText(const unsigned char* bytes, std::size_t length) {
    const auto* end = static_cast<const unsigned char*>(std::memchr(bytes, 0, length));
    return std::string(reinterpret_cast<const char*>(bytes),
                       end ? static_cast<std::size_t>(end - bytes) : length);
}

}  // namespace

KelCDFileSystem::KelCDFileSystem(const std::string& imagePath)
    : image(std::make_unique<KelCDImage>(imagePath)) {
    if (image->IsOpened()) ReadIndex();
}

bool KelCDFileSystem::LoadBlocks(std::uint32_t extent, std::uint64_t bytes,
                                 std::vector<unsigned char>& into) {
    const std::uint64_t blocks = BlocksFor(bytes);
    into.assign(blocks * BLOCK, 0);
    if (extent > std::uint32_t(std::numeric_limits<std::int32_t>::max())) return false;
    return image->ReadSectors(into.data(), std::int32_t(extent), std::int32_t(blocks));
}

void KelCDFileSystem::ReadIndex() {
    // Nothing the disc describes can be larger than the file that holds it.
    const std::uint64_t imageBytes = image->DataFileSize();
    // A damaged path table can send every directory over the whole image;
    // together the directories of a real disc never hold more than it does.
    std::uint64_t directoryBytesLeft = 2 * imageBytes + 64 * BLOCK;

    directories.push_back({"dummy", 0, 0, 0});

    std::vector<unsigned char> descriptor(BLOCK, 0);
    image->ReadSectors(descriptor.data(), VOLUME_DESCRIPTOR_SECTOR, 1);
    const std::uint32_t pathTableSize = ReadLE32(&descriptor[132]);
    const std::uint32_t pathTableSector = ReadLE32(&descriptor[140]);
    const std::uint32_t rootSize = ReadLE32(&descriptor[156 + 10]);
    if (pathTableSize > imageBytes) return;

    std::vector<unsigned char> pathTable;
    LoadBlocks(pathTableSector, pathTableSize, pathTable);
    if (!WalkPathTable(pathTable, pathTableSize, rootSize)) return;

    std::vector<unsigned char> buffer;
    for (std::size_t row = 1; row < directories.size(); ++row) {
        const std::uint64_t size = directories[row].size;
        if (size > imageBytes) continue;
        const std::uint64_t bytes = BlocksFor(size) * BLOCK;
        if (bytes > directoryBytesLeft) break;
        directoryBytesLeft -= bytes;
        LoadBlocks(directories[row].extent, size, buffer);
        WalkDirectory(row, buffer);
    }
    valid = true;
}

bool KelCDFileSystem::WalkPathTable(const std::vector<unsigned char>& table,
                                    std::uint32_t tableSize, std::uint32_t rootSize) {
    std::size_t offset = 0;
    while (offset < tableSize && directories.size() < MAX_DIRECTORIES) {
        if (offset + PATH_RECORD_HEADER > table.size()) break;
        const std::size_t length = table[offset];
        if (offset + PATH_RECORD_HEADER + length > table.size()) break;

        DirectoryEntry row;
        row.extent = ReadLE32(&table[offset + 2]);
        row.parent = ReadLE16(&table[offset + 6]);
        row.size = rootSize;
        const std::string identifier =
            platform::ToLowerAscii(IdentifierText(&table[offset + PATH_RECORD_HEADER], length));
        offset += PATH_RECORD_HEADER + length + (length & 1);

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
        if (offset + DIRECTORY_RECORD_HEADER > buffer.size()) break;
        const std::size_t length = buffer[offset];
        if (length == 0) {
            // Records never cross a sector boundary: the zeros pad this sector
            // and the directory goes on in the next one.
            offset = (offset / BLOCK + 1) * BLOCK;
            continue;
        }
        const std::size_t identifierLength = buffer[offset + 32];
        if (length < DIRECTORY_RECORD_HEADER + identifierLength ||
            offset + length > buffer.size()) {
            break;  // a record that does not hold its own identifier is damage
        }
        const std::uint32_t extent = ReadLE32(&buffer[offset + 2]);
        const std::uint32_t dataLength = ReadLE32(&buffer[offset + 10]);
        const bool isDirectory = (buffer[offset + 25] & 0x02) != 0;
        std::string identifier =
            IdentifierText(&buffer[offset + DIRECTORY_RECORD_HEADER], identifierLength);
        offset += length;

        identifier = identifier.substr(0, identifier.find(';'));
        if (!identifier.empty() && identifier[0] == '\x01') identifier.clear();

        if (isDirectory) {
            if (identifier.empty()) continue;  // the folder's own record and its parent's
            const auto found =
                firstDirectoryByName.find(platform::ToLowerAscii(folder + identifier) + "\\");
            if (found != firstDirectoryByName.end()) directories[found->second].size = dataLength;
            continue;
        }
        // A file of several extents has one record per extent under one name;
        // the first is the one a lookup finds, and the walk goes on after them.
        FileEntry file{platform::ToLowerAscii(folder + identifier), extent, dataLength};
        firstFileByName.emplace(file.name, files.size());
        files.push_back(std::move(file));
    }
}

std::int32_t KelCDFileSystem::OpenFile(const std::string& path) {
    const auto found = firstFileByName.find(platform::ToLowerAscii(path));
    if (found == firstFileByName.end()) return -1;
    if (buffers.size() >= std::size_t(std::numeric_limits<std::int32_t>::max())) return -1;
    const FileEntry& file = files[found->second];

    const std::uint64_t size = std::min<std::uint64_t>(file.size, image->DataFileSize());
    const std::uint64_t blocks = BlocksFor(size);
    auto buffer = std::make_shared<unsigned char[]>(blocks * BLOCK);
    if (file.extent <= std::uint32_t(std::numeric_limits<std::int32_t>::max())) {
        image->ReadSectors(buffer.get(), std::int32_t(file.extent), std::int32_t(blocks));
    }
    buffers.push_back(std::move(buffer));
    sizes.push_back(std::int64_t(size));
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
