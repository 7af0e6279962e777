#include "support/CsoBuilder.h"

#include <libdeflate.h>
#include <lz4.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <vector>

#include "support/PutBytes.h"

namespace testsupport {
namespace {

std::string Deflate(const std::string& block) {
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(9);
    std::string out(libdeflate_deflate_compress_bound(compressor, block.size()), '\0');
    const std::size_t size =
        libdeflate_deflate_compress(compressor, block.data(), block.size(), out.data(), out.size());
    libdeflate_free_compressor(compressor);
    out.resize(size);
    return out;
}

std::string Lz4(const std::string& block) {
    std::string out(std::size_t(LZ4_compressBound(int(block.size()))), '\0');
    const int size =
        LZ4_compress_default(block.data(), out.data(), int(block.size()), int(out.size()));
    if (size <= 0) throw std::runtime_error("LZ4 compression failed");
    out.resize(std::size_t(size));
    return out;
}

// Reads `length` image bytes at an offset; writes bytes at an offset of the
// output.
using Reader = std::function<std::string(std::uint64_t offset, std::size_t length)>;
using Writer = std::function<void(std::uint64_t offset, const std::string& bytes)>;

// `plainEighths`: store every eighth block plain, whether or not it would
// shrink (so that small test images hold plain blocks too).
void EncodeCso(std::uint64_t imageBytes, const Reader& read, const Writer& write, CsoFlavor flavor,
               std::uint32_t blockBytes, int shift, bool plainEighths) {
    const std::uint64_t blocks = (imageBytes + blockBytes - 1) / blockBytes;
    std::string header(24, '\0');
    header.replace(0, 4, flavor == CsoFlavor::Zso ? "ZISO" : "CISO");
    PutLE(header, 4, 24, 4);
    PutLE(header, 8, imageBytes, 8);
    PutLE(header, 16, blockBytes, 4);
    header[20] = char(flavor == CsoFlavor::CsoV2 ? 2 : 1);
    header[21] = char(shift);
    write(0, header);
    std::string index((blocks + 1) * 4, '\0');
    const std::uint64_t align = std::uint64_t(1) << shift;
    std::uint64_t end = 24 + index.size();
    auto place = [&](std::uint64_t block, std::uint32_t flag) {
        end = (end + align - 1) / align * align;
        PutLE(index, std::size_t(block * 4), (end >> shift) | flag, 4);
    };
    for (std::uint64_t i = 0; i < blocks; ++i) {
        const std::string block = read(i * blockBytes, blockBytes);
        std::string stored;
        std::uint32_t flag = 0;
        if (plainEighths && i % 8 == 7) {
            stored = block;
        } else if (flavor == CsoFlavor::Zso || (flavor == CsoFlavor::CsoV2 && i % 2 == 1)) {
            stored = Lz4(block);
            if (flavor == CsoFlavor::CsoV2) flag = 0x80000000u;
        } else {
            stored = Deflate(block);
        }
        // A block that does not shrink is stored as it is; version 2 tells
        // such blocks by their size alone, the others by the index bit.
        if (stored.size() >= block.size()) {
            stored = block;
            flag = flavor == CsoFlavor::CsoV2 ? 0 : 0x80000000u;
        }
        place(i, flag);
        write(end, stored);
        end += stored.size();
    }
    place(blocks, 0);
    // Padding up to the last aligned position.
    write(end, std::string(std::size_t((end + align - 1) / align * align - end), '\0'));
    write(24, index);
}

}  // namespace

std::string MakeCso(const std::string& image, CsoFlavor flavor, std::uint32_t blockBytes,
                    int shift) {
    std::string out;
    EncodeCso(
        image.size(),
        [&image](std::uint64_t offset, std::size_t length) {
            return image.substr(std::size_t(offset), length);
        },
        [&out](std::uint64_t offset, const std::string& bytes) {
            if (out.size() < offset + bytes.size()) out.resize(std::size_t(offset + bytes.size()));
            out.replace(std::size_t(offset), bytes.size(), bytes);
        },
        flavor, blockBytes, shift, true);
    return out;
}

void WriteCsoFile(const std::string& imagePath, const std::string& csoPath, CsoFlavor flavor) {
    std::ifstream image(imagePath, std::ios::binary);
    std::ofstream cso(csoPath, std::ios::binary | std::ios::trunc);
    image.seekg(0, std::ios::end);
    const std::uint64_t size = std::uint64_t(image.tellg());
    EncodeCso(
        size,
        [&image](std::uint64_t offset, std::size_t length) {
            std::string bytes(length, '\0');
            image.seekg(std::streamoff(offset));
            image.read(bytes.data(), std::streamsize(length));
            bytes.resize(std::size_t(image.gcount()));
            image.clear();
            return bytes;
        },
        [&cso](std::uint64_t offset, const std::string& bytes) {
            cso.seekp(std::streamoff(offset));
            cso.write(bytes.data(), std::streamsize(bytes.size()));
        },
        flavor, 2048, 0, false);
    if (!image || !cso.flush()) throw std::runtime_error("cannot write " + csoPath);
}

}  // namespace testsupport
