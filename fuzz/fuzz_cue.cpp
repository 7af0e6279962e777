// Cue sheets from untrusted bytes. The sheet's folder holds data files, so
// that FILE lines resolve and the TRACK and INDEX arithmetic is reached.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzFolder.h"
#include "image/CueSheetParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string sheetPath = [] {
        WriteFuzzFile("game.bin", "data");
        WriteFuzzFile("TRACK2.BIN", "data");
        return FuzzFolder() + "/game.cue";
    }();
    TrackTable table;
    ParseCueSheet(std::string_view(reinterpret_cast<const char*>(data), size), sheetPath, table);
    return 0;
}
