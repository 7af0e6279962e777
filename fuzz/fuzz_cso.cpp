// CSO and ZSO files from untrusted bytes: the header and the block index,
// then the blocks the layout probe and a few reads decompress.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "image/KelCDImage.h"
#include "image/KelCDImageCSO.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto file =
        std::make_shared<MemoryByteSource>(std::string(reinterpret_cast<const char*>(data), size));
    const KelCDImage image(std::make_unique<KelCDImageCSO>(file, "disc.cso"));
    if (!image.IsOpened()) return 0;
    unsigned char sectors[8 * 2048];
    for (const std::int64_t sector : {0, 16, 17, 100}) image.ReadSectors(sectors, sector, 8);
    image.ReadSectors(sectors, image.SectorCount() - 1, 1);
    return 0;
}
