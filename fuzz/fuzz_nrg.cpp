// Nero chunk chains from untrusted bytes: parsed from a footer window that
// may lie far into a large file, and read as a whole image from memory, so
// that the tracks' sector reads are reached too.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FooterInput.h"
#include "SectorReads.h"
#include "image/KelCDImage.h"
#include "image/NeroParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TrackTable table;
    ParseNero(FooterFromInput(data, size), "game.nrg", table);

    // The same file when the input says nothing lies before it.
    if (size == 0) return 0;
    MemoryImageFiles files;
    files.Add("/discs/game.nrg", std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    ReadAround(KelCDImage("/discs/game.nrg", files));
    return 0;
}
