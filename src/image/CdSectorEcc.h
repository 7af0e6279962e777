#pragma once

// The sync pattern and the error correction codes of a raw Mode 1 or Mode 2
// Form 1 sector. Compressed CD images drop them where they can be computed
// again from the rest of the sector, and put them back when the sector is
// read.

inline constexpr int RAW_SECTOR_BYTES = 2352;

// Writes the 12-byte sync pattern and the P and Q parity bytes (ECMA-130's
// Reed-Solomon product code over the header and the 2064 bytes after it)
// into a 2352-byte sector. A Mode 2 sector (mode byte 2) is coded with its
// four header bytes counted as zero, as ECMA-130 has it for Form 1: a disc
// keeps the parity of a Form 1 sector valid wherever the sector is written,
// whatever address its header carries.
void RestoreSyncAndEcc(unsigned char* sector);
