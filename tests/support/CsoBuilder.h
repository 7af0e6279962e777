#pragma once

#include <cstdint>
#include <string>

namespace testsupport {

// The three ways the format family stores a block.
enum class CsoFlavor {
    CsoV1,  // "CISO" version 1: deflated blocks, high index bit = plain
    CsoV2,  // "CISO" version 2: deflate and LZ4 by turns, plain when a block does not shrink
    Zso,    // "ZISO": LZ4 blocks, high index bit = plain
};

// Compresses an image as the published layout describes: 24-byte header,
// block index (positions shifted right by `shift`, blocks padded to that
// alignment), blocks. Every eighth block is stored plain, and any block that
// does not shrink.
std::string MakeCso(const std::string& image, CsoFlavor flavor, std::uint32_t blockBytes = 2048,
                    int shift = 0);

// The same from an image file into a file, a block at a time (for images of
// several gigabytes), with blocks stored plain only when they do not shrink.
void WriteCsoFile(const std::string& imagePath, const std::string& csoPath, CsoFlavor flavor);

}  // namespace testsupport
