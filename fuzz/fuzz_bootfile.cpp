// The boot files of a disc from untrusted bytes: the input is at once a
// SYSTEM.CNF (boot line, boot path, game code), a boot executable (the ":BI"
// marker scan) and a PSP disc's UMD_DATA.BIN.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ident/BootFileId.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (const auto bootPath = ReadBootLine(bytes)) {
        BootPathDotDistance(*bootPath);
        GameCodeFromBootPath(*bootPath);
    }
    // The path steps on raw text too, as a boot line of any content reaches them.
    BootPathDotDistance(bytes);
    GameCodeFromBootPath(bytes);
    ScanExeMarker(bytes);
    UmdDataCode(bytes);
    return 0;
}
