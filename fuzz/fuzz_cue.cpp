// Cue sheets from untrusted bytes, read as an image from memory: the sheet's
// folder holds data files, one in a subfolder, so FILE lines resolve and the
// TRACK and INDEX arithmetic and the sector reads are reached.
#include <cstddef>
#include <cstdint>
#include <string>

#include "SectorReads.h"
#include "image/KelCDImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemoryImageFiles files;
    files.Add("/discs/game.cue", std::string(reinterpret_cast<const char*>(data), size));
    files.Add("/discs/game.bin", std::string(40 * 2352, '\x11'));
    files.Add("/discs/TRACK2.BIN", std::string(2352, '\x22'));
    files.Add("/discs/Disc 1/Track 3.bin", std::string(3 * 2048, '\x33'));
    const KelCDImage image("/discs/game.cue", files);
    ReadAround(image);
    return 0;
}
