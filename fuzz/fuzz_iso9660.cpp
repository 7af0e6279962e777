// The ISO9660 file system over untrusted bytes. The input is the image from
// its volume descriptor (sector 16) on; the sixteen system-area sectors before
// it are zeros, so the fuzzer spends its work on the file system's structures.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "image/KelCDFileSystem.h"
#include "image/KelCDImageISO.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(16 * 2048, '\0');
    bytes.append(reinterpret_cast<const char*>(data), size);
    auto reader = std::make_unique<KelCDImageISO>(
        std::make_shared<MemoryByteSource>(std::move(bytes)), "disc.iso");
    KelCDFileSystem fileSystem(std::make_unique<KelCDImage>(std::move(reader)));
    if (!fileSystem.IsValid()) return 0;
    fileSystem.OpenFile("SYSTEM.CNF");
    std::size_t opened = 0;
    for (const FileEntry& file : fileSystem.Files()) {
        if (++opened > 8) break;
        fileSystem.FileCrc(file.name);
    }
    return 0;
}
