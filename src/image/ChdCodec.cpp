#include "image/ChdCodec.h"

#include <libdeflate.h>
#include <lzma.h>
#include <zstd.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "image/CdSectorEcc.h"
#include "image/ChdHuffman.h"
#include "image/FlacFrames.h"

namespace {

constexpr std::size_t SUBCODE_BYTES = 96;

// Puts the sector and subcode halves, stored one after the other, back into
// frames.
void Interleave(const unsigned char* split, std::size_t frames, unsigned char* into) {
    for (std::size_t frame = 0; frame < frames; ++frame) {
        std::memcpy(into + frame * CD_FRAME_BYTES, split + frame * RAW_SECTOR_BYTES,
                    RAW_SECTOR_BYTES);
        std::memcpy(into + frame * CD_FRAME_BYTES + RAW_SECTOR_BYTES,
                    split + frames * RAW_SECTOR_BYTES + frame * SUBCODE_BYTES, SUBCODE_BYTES);
    }
}

}  // namespace

std::unique_ptr<ChdCodec> MakeChdCodec(std::uint32_t tag) {
    switch (tag) {
        case ChdTag("zlib"):
            return std::make_unique<ChdDeflateCodec>();
        case ChdTag("lzma"):
            return std::make_unique<ChdLzmaCodec>();
        case ChdTag("zstd"):
            return std::make_unique<ChdZstdCodec>();
        case ChdTag("huff"):
            return std::make_unique<ChdHuffmanCodec>();
        case ChdTag("flac"):
            return std::make_unique<ChdFlacCodec>();
        case ChdTag("cdzl"):
            return std::make_unique<ChdCdCodec>(std::make_unique<ChdDeflateCodec>(),
                                                std::make_unique<ChdDeflateCodec>());
        case ChdTag("cdlz"):
            return std::make_unique<ChdCdCodec>(std::make_unique<ChdLzmaCodec>(),
                                                std::make_unique<ChdDeflateCodec>());
        case ChdTag("cdzs"):
            return std::make_unique<ChdCdCodec>(std::make_unique<ChdZstdCodec>(),
                                                std::make_unique<ChdZstdCodec>());
        case ChdTag("cdfl"):
            return std::make_unique<ChdCdFlacCodec>();
        default:
            return nullptr;
    }
}

ChdDeflateCodec::ChdDeflateCodec() : inflater(libdeflate_alloc_decompressor()) {}

ChdDeflateCodec::~ChdDeflateCodec() {
    if (inflater != nullptr) libdeflate_free_decompressor(inflater);
}

bool ChdDeflateCodec::Decompress(const unsigned char* source, std::size_t length,
                                 unsigned char* into, std::size_t size) {
    return inflater != nullptr &&
           libdeflate_deflate_decompress(inflater, source, length, into, size, nullptr) ==
               LIBDEFLATE_SUCCESS;
}

bool ChdLzmaCodec::Decompress(const unsigned char* source, std::size_t length, unsigned char* into,
                              std::size_t size) {
    // The encoder's defaults: 3 literal context bits, no literal position
    // bits, 2 position bits. No match reaches further back than the hunk,
    // so a dictionary of the hunk's size holds every one.
    lzma_options_lzma options{};
    options.dict_size = std::max<std::uint32_t>(LZMA_DICT_SIZE_MIN, std::uint32_t(size));
    options.lc = 3;
    options.lp = 0;
    options.pb = 2;
    const lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_raw_decoder(&stream, filters) != LZMA_OK) return false;
    stream.next_in = source;
    stream.avail_in = length;
    stream.next_out = into;
    stream.avail_out = size;
    // The stream has no end mark: it is complete when the hunk is full.
    lzma_ret result = LZMA_OK;
    while (result == LZMA_OK && stream.avail_out > 0) result = lzma_code(&stream, LZMA_FINISH);
    const bool full = stream.avail_out == 0 && (result == LZMA_OK || result == LZMA_STREAM_END);
    lzma_end(&stream);
    return full;
}

ChdZstdCodec::ChdZstdCodec() : context(ZSTD_createDCtx()) {}

ChdZstdCodec::~ChdZstdCodec() {
    ZSTD_freeDCtx(context);
}

bool ChdZstdCodec::Decompress(const unsigned char* source, std::size_t length, unsigned char* into,
                              std::size_t size) {
    if (context == nullptr) return false;
    const std::size_t got = ZSTD_decompressDCtx(context, into, size, source, length);
    return !ZSTD_isError(got) && got == size;
}

bool ChdHuffmanCodec::Decompress(const unsigned char* source, std::size_t length,
                                 unsigned char* into, std::size_t size) {
    ChdBitReader bits(source, length);
    ChdHuffman code(256, 16);
    if (!code.ImportHuffmanTree(bits)) return false;
    for (std::size_t i = 0; i < size; ++i) into[i] = static_cast<unsigned char>(code.Decode(bits));
    return !bits.Overrun();
}

bool ChdFlacCodec::Decompress(const unsigned char* source, std::size_t length, unsigned char* into,
                              std::size_t size) {
    if (length < 1 || (source[0] != 'L' && source[0] != 'B') || size % 4 != 0) return false;
    return DecodeFlacFrames(source + 1, length - 1, size / 4, source[0] == 'B', into).has_value();
}

ChdCdCodec::ChdCdCodec(std::unique_ptr<ChdCodec> sectors, std::unique_ptr<ChdCodec> subcode)
    : sectors(std::move(sectors)), subcode(std::move(subcode)) {}

bool ChdCdCodec::Decompress(const unsigned char* source, std::size_t length, unsigned char* into,
                            std::size_t size) {
    const std::size_t frames = size / CD_FRAME_BYTES;
    if (frames == 0 || size % CD_FRAME_BYTES != 0) return false;
    const std::size_t eccBytes = (frames + 7) / 8;
    const std::size_t lengthBytes = size < 65536 ? 2 : 3;
    const std::size_t header = eccBytes + lengthBytes;
    if (length < header) return false;
    std::size_t sectorLength = 0;
    for (std::size_t i = 0; i < lengthBytes; ++i) {
        sectorLength = (sectorLength << 8) | source[eccBytes + i];
    }
    if (sectorLength > length - header) return false;

    split.resize(size);
    if (!sectors->Decompress(source + header, sectorLength, split.data(),
                             frames * RAW_SECTOR_BYTES) ||
        !subcode->Decompress(source + header + sectorLength, length - header - sectorLength,
                             split.data() + frames * RAW_SECTOR_BYTES, frames * SUBCODE_BYTES)) {
        return false;
    }
    Interleave(split.data(), frames, into);
    for (std::size_t frame = 0; frame < frames; ++frame) {
        if (source[frame / 8] & (1u << (frame % 8))) {
            RestoreSyncAndEcc(into + frame * CD_FRAME_BYTES);
        }
    }
    return true;
}

bool ChdCdFlacCodec::Decompress(const unsigned char* source, std::size_t length,
                                unsigned char* into, std::size_t size) {
    const std::size_t frames = size / CD_FRAME_BYTES;
    if (frames == 0 || size % CD_FRAME_BYTES != 0) return false;
    split.resize(size);
    // 588 stereo samples of four bytes fill a sector.
    const std::optional<std::size_t> used =
        DecodeFlacFrames(source, length, frames * RAW_SECTOR_BYTES / 4, true, split.data());
    if (!used ||
        !subcode.Decompress(source + *used, length - *used,
                            split.data() + frames * RAW_SECTOR_BYTES, frames * SUBCODE_BYTES)) {
        return false;
    }
    Interleave(split.data(), frames, into);
    return true;
}
