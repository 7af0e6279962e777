#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

struct IsoFileOptions {
    bool versionSuffix = true;  // record the name with ";1"
    bool multiExtent = false;   // set the multi-extent flag on the record
    // Place the content at this sector instead of after the directories (for
    // sparse images larger than 4 GiB).
    std::optional<std::uint32_t> fixedSector;
};

inline IsoFileOptions WithoutVersion() {
    IsoFileOptions options;
    options.versionSuffix = false;
    return options;
}
inline IsoFileOptions MultiExtent() {
    IsoFileOptions options;
    options.multiExtent = true;
    return options;
}
inline IsoFileOptions AtSector(std::uint32_t sector) {
    IsoFileOptions options;
    options.fixedSector = sector;
    return options;
}

// A cooked ISO9660 image as built: the low part in memory, content placed at
// fixed far sectors beside it, and where the structures went.
struct BuiltIso {
    std::string bytes;
    std::vector<std::pair<std::uint64_t, std::string>> farContent;  // (byte offset, content)
    std::uint64_t totalSize = 0;
    std::uint32_t pathTableSector = 0;
    std::uint32_t pathTableSize = 0;
    std::map<std::string, std::uint32_t> folderSector;  // by path as added, "" for the root
    std::map<std::string, std::uint32_t> folderSize;
    std::map<std::string, std::uint32_t> fileSector;
};

// Builds small ISO9660 images for tests: primary volume descriptor, both path
// tables, directories whose records pad to sector boundaries (so large
// folders span sectors), files. Paths use '/' between levels; folders on the
// way are created.
class IsoBuilder {
public:
    IsoBuilder();
    void AddFolder(const std::string& path);
    void AddFile(const std::string& path, const std::string& content, IsoFileOptions options = {});
    BuiltIso Build() const;

private:
    struct Folder {
        std::string name;
        std::string path;
        std::size_t parent = 0;
        std::vector<std::size_t> folders;
        std::vector<std::size_t> files;
    };
    struct File {
        std::string name;
        std::string path;
        std::string content;
        IsoFileOptions options;
    };
    std::size_t FolderIndex(const std::string& path);

    std::vector<Folder> folders;
    std::vector<File> files;
};

// Writes an image to disk; far content is written sparsely.
void WriteIso(const BuiltIso& iso, const std::string& path);

// Writes a cooked image holding these files (path inside the disc, content).
void WriteDisc(const std::string& path,
               const std::vector<std::pair<std::string, std::string>>& files);

// Contents of boot files as the three systems' discs carry them.
std::string Ps1SystemCnf(const std::string& bootFile);  // BOOT = cdrom:\<bootFile>;1
std::string Ps2SystemCnf(const std::string& bootFile);  // BOOT2 = cdrom0:\<bootFile>;1
std::string PspUmdData(const std::string& code);        // <code>|...

}  // namespace testsupport
