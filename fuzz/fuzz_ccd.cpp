// CloneCD control files from untrusted bytes, read as an image from memory
// beside an .img file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "SectorReads.h"
#include "image/KelCDImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemoryImageFiles files;
    files.Add("/discs/disc.ccd", std::string(reinterpret_cast<const char*>(data), size));
    files.Add("/discs/disc.img", std::string(40 * 2352, '\x11'));
    const KelCDImage image("/discs/disc.ccd", files);
    ReadAround(image);
    return 0;
}
