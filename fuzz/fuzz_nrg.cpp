// Nero chunk chains from untrusted bytes.
#include <cstddef>
#include <cstdint>

#include "FooterInput.h"
#include "image/NeroParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TrackTable table;
    ParseNero(FooterFromInput(data, size), "game.nrg", table);
    return 0;
}
