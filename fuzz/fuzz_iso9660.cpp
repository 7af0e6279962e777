// The ISO9660 file system over untrusted bytes. The input is the image from
// its volume descriptor (sector 16) on; the sixteen system-area sectors before
// it are zeros, so the fuzzer spends its work on the file system's structures.
// The reader opens paths, so every input is written to an in-memory file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzFolder.h"
#include "image/KelCDFileSystem.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string image(16 * 2048, '\0');
    image.append(reinterpret_cast<const char*>(data), size);
    const std::string path = WriteFuzzFile("disc.iso", image);

    KelCDFileSystem fileSystem(path);
    if (!fileSystem.IsValid()) return 0;
    fileSystem.OpenFile("SYSTEM.CNF");
    std::size_t opened = 0;
    for (const FileEntry& file : fileSystem.Files()) {
        if (++opened > 8) break;
        fileSystem.FileCrc(file.name);
    }
    return 0;
}
