#include "support/IsoBuilder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "support/PutBytes.h"

namespace testsupport {
namespace {

constexpr std::uint32_t BLOCK = 2048;

void PutBoth32(std::string& out, std::size_t at, std::uint32_t value) {
    PutLE(out, at, value, 4);
    PutBE(out, at + 4, value, 4);
}
void PutText(std::string& out, std::size_t at, const std::string& text, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) out[at + i] = i < text.size() ? text[i] : ' ';
}

std::uint32_t SectorsFor(std::uint64_t bytes) {
    return std::uint32_t((bytes + BLOCK - 1) / BLOCK);
}

std::string DirectoryRecord(std::uint32_t extent, std::uint32_t size, std::uint8_t flags,
                            const std::string& identifier) {
    const std::size_t length = 33 + identifier.size() + (identifier.size() % 2 == 0 ? 1 : 0);
    std::string record(length, '\0');
    record[0] = char(length);
    PutBoth32(record, 2, extent);
    PutBoth32(record, 10, size);
    record[18] = char(100);  // 2000-01-01
    record[19] = 1;
    record[20] = 1;
    record[25] = char(flags);
    PutLE(record, 28, 1, 2);
    PutBE(record, 30, 1, 2);
    record[32] = char(identifier.size());
    std::memcpy(&record[33], identifier.data(), identifier.size());
    return record;
}

struct Entry {
    std::string identifier;
    bool isFolder;
    std::size_t index;
};

}  // namespace

IsoBuilder::IsoBuilder() {
    folders.push_back({"", "", 0, {}, {}});
}

std::size_t IsoBuilder::FolderIndex(const std::string& path) {
    std::size_t current = 0;
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        const std::string name = path.substr(start, slash - start);
        const std::string full = path.substr(0, slash);
        std::size_t next = 0;
        for (std::size_t child : folders[current].folders) {
            if (folders[child].name == name) next = child;
        }
        if (next == 0) {
            next = folders.size();
            folders.push_back({name, full, current, {}, {}});
            folders[current].folders.push_back(next);
        }
        current = next;
        start = slash + 1;
    }
    return current;
}

void IsoBuilder::AddFolder(const std::string& path) {
    FolderIndex(path);
}

void IsoBuilder::AddFile(const std::string& path, const std::string& content,
                         IsoFileOptions options) {
    const std::size_t slash = path.rfind('/');
    const std::size_t folder = slash == std::string::npos ? 0 : FolderIndex(path.substr(0, slash));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    folders[folder].files.push_back(files.size());
    files.push_back({name, path, content, options});
}

BuiltIso IsoBuilder::Build() const {
    // Path table order: breadth first, children by name.
    std::vector<std::size_t> order{0};
    for (std::size_t i = 0; i < order.size(); ++i) {
        std::vector<std::size_t> children = folders[order[i]].folders;
        std::stable_sort(children.begin(), children.end(), [&](std::size_t a, std::size_t b) {
            return folders[a].name < folders[b].name;
        });
        order.insert(order.end(), children.begin(), children.end());
    }
    std::vector<std::uint16_t> number(folders.size());
    for (std::size_t i = 0; i < order.size(); ++i) number[order[i]] = std::uint16_t(i + 1);

    // Records of each folder, sorted by identifier, and the folder's size.
    std::vector<std::vector<Entry>> entries(folders.size());
    std::vector<std::uint32_t> folderBytes(folders.size());
    for (std::size_t f = 0; f < folders.size(); ++f) {
        for (std::size_t child : folders[f].folders) {
            entries[f].push_back({folders[child].name, true, child});
        }
        for (std::size_t file : folders[f].files) {
            const File& item = files[file];
            entries[f].push_back(
                {item.name + (item.options.versionSuffix ? ";1" : ""), false, file});
        }
        std::stable_sort(entries[f].begin(), entries[f].end(), [](const Entry& a, const Entry& b) {
            return a.identifier < b.identifier;
        });
        std::uint32_t used = 2 * 34;  // the folder's own record and its parent's
        std::uint32_t sectors = 1;
        for (const Entry& entry : entries[f]) {
            const std::uint32_t length =
                33 + std::uint32_t(entry.identifier.size()) + (entry.identifier.size() % 2 == 0);
            if (used + length > BLOCK) {
                ++sectors;
                used = 0;
            }
            used += length;
        }
        folderBytes[f] = sectors * BLOCK;
    }

    BuiltIso iso;
    std::uint32_t pathTableSize = 0;
    for (std::size_t f : order) {
        const std::size_t n = f == 0 ? 1 : folders[f].name.size();
        pathTableSize += std::uint32_t(8 + n + (n % 2));
    }
    iso.pathTableSize = pathTableSize;
    iso.pathTableSector = 18;
    const std::uint32_t tableSectors = SectorsFor(pathTableSize);
    std::uint32_t next = 18 + 2 * tableSectors;

    std::vector<std::uint32_t> folderExtent(folders.size());
    for (std::size_t f : order) {
        folderExtent[f] = next;
        next += folderBytes[f] / BLOCK;
    }
    std::vector<std::uint32_t> fileExtent(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (files[i].options.fixedSector) {
            fileExtent[i] = *files[i].options.fixedSector;
            continue;
        }
        fileExtent[i] = next;
        next += SectorsFor(files[i].content.size());
    }
    const std::uint32_t lowSectors = next;
    std::uint64_t totalSize = std::uint64_t(lowSectors) * BLOCK;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!files[i].options.fixedSector) continue;
        const std::uint64_t offset = std::uint64_t(fileExtent[i]) * BLOCK;
        iso.farContent.emplace_back(offset, files[i].content);
        totalSize = std::max(totalSize,
                             offset + std::uint64_t(SectorsFor(files[i].content.size())) * BLOCK);
    }
    iso.totalSize = totalSize;

    std::string& image = iso.bytes;
    image.assign(std::size_t(lowSectors) * BLOCK, '\0');

    // Primary volume descriptor and set terminator.
    const std::size_t pvd = 16 * BLOCK;
    image[pvd] = 1;
    std::memcpy(&image[pvd + 1], "CD001", 5);
    image[pvd + 6] = 1;
    PutText(image, pvd + 8, "ORVANE", 32);
    PutText(image, pvd + 40, "TESTDISC", 32);
    PutBoth32(image, pvd + 80, std::uint32_t(totalSize / BLOCK));
    PutLE(image, pvd + 120, 1, 2);
    PutBE(image, pvd + 122, 1, 2);
    PutLE(image, pvd + 124, 1, 2);
    PutBE(image, pvd + 126, 1, 2);
    PutLE(image, pvd + 128, BLOCK, 2);
    PutBE(image, pvd + 130, BLOCK, 2);
    PutBoth32(image, pvd + 132, pathTableSize);
    PutLE(image, pvd + 140, 18, 4);
    PutBE(image, pvd + 148, 18 + tableSectors, 4);
    const std::string root =
        DirectoryRecord(folderExtent[0], folderBytes[0], 0x02, std::string(1, '\0'));
    std::memcpy(&image[pvd + 156], root.data(), root.size());
    image[pvd + 881] = 1;
    const std::size_t terminator = 17 * BLOCK;
    image[terminator] = char(0xFF);
    std::memcpy(&image[terminator + 1], "CD001", 5);
    image[terminator + 6] = 1;

    // Path tables, little-endian and big-endian.
    std::size_t little = 18 * BLOCK;
    std::size_t big = (18 + tableSectors) * BLOCK;
    for (std::size_t f : order) {
        const std::string identifier = f == 0 ? std::string(1, '\0') : folders[f].name;
        const std::uint16_t parent = f == 0 ? 1 : number[folders[f].parent];
        const std::size_t length = 8 + identifier.size() + identifier.size() % 2;
        image[little] = image[big] = char(identifier.size());
        PutLE(image, little + 2, folderExtent[f], 4);
        PutBE(image, big + 2, folderExtent[f], 4);
        PutLE(image, little + 6, parent, 2);
        PutBE(image, big + 6, parent, 2);
        std::memcpy(&image[little + 8], identifier.data(), identifier.size());
        std::memcpy(&image[big + 8], identifier.data(), identifier.size());
        little += length;
        big += length;
    }

    // Directories.
    for (std::size_t f = 0; f < folders.size(); ++f) {
        const std::size_t parent = folders[f].parent;
        std::size_t at = std::size_t(folderExtent[f]) * BLOCK;
        const std::size_t end = at + folderBytes[f];
        std::size_t sectorEnd = at + BLOCK;
        auto put = [&](const std::string& record) {
            if (at + record.size() > sectorEnd) {
                at = sectorEnd;
                sectorEnd += BLOCK;
            }
            if (at + record.size() > end) throw std::logic_error("directory overflow");
            std::memcpy(&image[at], record.data(), record.size());
            at += record.size();
        };
        put(DirectoryRecord(folderExtent[f], folderBytes[f], 0x02, std::string(1, '\0')));
        put(DirectoryRecord(folderExtent[parent], folderBytes[parent], 0x02, std::string(1, '\1')));
        for (const Entry& entry : entries[f]) {
            if (entry.isFolder) {
                put(DirectoryRecord(folderExtent[entry.index], folderBytes[entry.index], 0x02,
                                    entry.identifier));
            } else {
                const File& file = files[entry.index];
                put(DirectoryRecord(fileExtent[entry.index], std::uint32_t(file.content.size()),
                                    file.options.multiExtent ? 0x80 : 0x00, entry.identifier));
            }
        }
        iso.folderSector[folders[f].path] = folderExtent[f];
        iso.folderSize[folders[f].path] = folderBytes[f];
    }

    for (std::size_t i = 0; i < files.size(); ++i) {
        iso.fileSector[files[i].path] = fileExtent[i];
        if (files[i].options.fixedSector) continue;
        std::memcpy(&image[std::size_t(fileExtent[i]) * BLOCK], files[i].content.data(),
                    files[i].content.size());
    }
    return iso;
}

void WriteIso(const BuiltIso& iso, const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error("cannot create " + path);
    bool ok = pwrite(fd, iso.bytes.data(), iso.bytes.size(), 0) == ssize_t(iso.bytes.size());
    for (const auto& [offset, content] : iso.farContent) {
        ok = ok &&
             pwrite(fd, content.data(), content.size(), off_t(offset)) == ssize_t(content.size());
    }
    ok = ok && ftruncate(fd, off_t(iso.totalSize)) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok) throw std::runtime_error("cannot write " + path);
}

void WriteDisc(const std::string& path,
               const std::vector<std::pair<std::string, std::string>>& files) {
    IsoBuilder builder;
    for (const auto& [name, content] : files) builder.AddFile(name, content);
    WriteIso(builder.Build(), path);
}

std::string Ps1SystemCnf(const std::string& bootFile) {
    return "BOOT = cdrom:\\" + bootFile + ";1\r\nTCB = 4\r\nEVENT = 10\r\nSTACK = 801FFFF0\r\n";
}

std::string Ps2SystemCnf(const std::string& bootFile) {
    return "BOOT2 = cdrom0:\\" + bootFile + ";1\r\nVER = 1.00\r\nVMODE = NTSC\r\n";
}

std::string PspUmdData(const std::string& code) {
    return code + "|0001G|0|0001|E|" + std::string(16, '\0');
}

}  // namespace testsupport
