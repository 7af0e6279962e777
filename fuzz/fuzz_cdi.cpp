// DiscJuggler footers from untrusted bytes.
#include <cstddef>
#include <cstdint>

#include "FooterInput.h"
#include "image/DiscJugglerParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TrackTable table;
    ParseDiscJuggler(FooterFromInput(data, size), "game.cdi", table);
    return 0;
}
