#pragma once

#include <cstddef>
#include <string>
#include <string_view>

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

// A 2352-byte sector as a disc holds it, with its real EDC and ECC: Mode 1
// (sync, header, 2048 user bytes, EDC, 8 zero bytes, P and Q parity) or Mode
// 2 Form 1 (sync, header, the 8-byte subheader, 2048 user bytes, EDC, parity
// computed with the header counted as zero). `sector` is the address the
// header gives, less the two-second lead-in; `user` holds at most 2048 bytes.
std::string Mode1Sector(std::size_t sector, std::string_view user);
std::string Mode2Form1Sector(std::size_t sector, std::string_view subheader, std::string_view user);

// Spreads cooked 2048-byte blocks over the stored sectors of a layout. Raw
// sectors carry their real EDC and ECC (Mode 2 ones are Form 1 with a zero
// subheader), as a drive reads them; the 2336-byte Mode 2 layout is such a
// sector without sync and header. Bytes that a disc does not define (the
// rest of a Mode 1 2336-byte sector, subchannel data) are 0xEE, so that
// reading them as user data would show.
std::string ToRawSectors(const std::string& cooked, RawLayout layout);

}  // namespace testsupport
