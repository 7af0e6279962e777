// CHD files from untrusted bytes: the header, the hunk map (plain, or
// Huffman-coded with runs and repeats), the metadata and its CD track list,
// then the hunks the layout probe and a few reads decompress.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "image/KelCDImage.h"
#include "image/KelCDImageCHD.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto file =
        std::make_shared<MemoryByteSource>(std::string(reinterpret_cast<const char*>(data), size));
    auto reader = std::make_unique<KelCDImageCHD>(file, "disc.chd");
    const std::shared_ptr<const ByteSource> whole = reader->WholeImage();
    const KelCDImage image(std::move(reader));
    if (!image.IsOpened()) return 0;
    unsigned char sectors[8 * 2048];
    for (const std::int64_t sector : {0, 16, 17, 100}) image.ReadSectors(sectors, sector, 8);
    image.ReadSectors(sectors, image.SectorCount() - 1, 1);
    if (whole && whole->Size() > 0) whole->ReadAt(sectors, sizeof sectors, whole->Size() - 1);
    return 0;
}
