#pragma once

#include <string>

namespace testsupport {

// Stored sector layouts of single-file disc images.
enum class RawLayout {
    Cooked2048,
    Raw2336Mode1,  // 2048 user bytes at the start of each 2336-byte sector
    Raw2336Mode2,  // 8-byte subheader, then the user bytes
    Raw2352Mode1,  // sync, header (mode 1), user bytes, error codes
    Raw2352Mode2,  // sync, header (mode 2), subheader, user bytes
    Raw2448Mode1,  // a 2352-byte Mode 1 sector followed by 96 bytes of subchannel data
    Raw2448Mode2,  // the same with a Mode 2 sector
};

int SectorSizeOf(RawLayout layout);
const char* LayoutName(RawLayout layout);

// Spreads cooked 2048-byte blocks over the stored sectors of a layout. The
// bytes that are not user data are filled so that reading them as user data
// would show (sync and header as a real drive writes them, the rest 0xEE).
std::string ToRawSectors(const std::string& cooked, RawLayout layout);

}  // namespace testsupport
