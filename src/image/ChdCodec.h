#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// The ways a CHD compresses one hunk, named in its header by four-letter
// tags. The codecs themselves are the libraries' (libdeflate, liblzma,
// libFLAC, libzstd); what is CHD's own is how a hunk is laid out for them:
// raw streams without headers, the "huff" code, and the CD codecs that
// compress the 2352 sector bytes and the 96 subcode bytes of each frame
// apart, dropping sync and error codes that can be computed again.
class ChdCodec {
public:
    virtual ~ChdCodec() = default;

    // Decompresses `length` bytes at `source` into exactly `size` bytes at
    // `into`; false when the data is damaged or decompresses to another size.
    virtual bool Decompress(const unsigned char* source, std::size_t length, unsigned char* into,
                            std::size_t size) = 0;
};

// A CD frame as a CHD stores it: the 2352 sector bytes, then the 96 subcode
// bytes.
inline constexpr std::uint32_t CD_FRAME_BYTES = 2448;

constexpr std::uint32_t ChdTag(const char (&text)[5]) {
    return (std::uint32_t(std::uint8_t(text[0])) << 24) |
           (std::uint32_t(std::uint8_t(text[1])) << 16) |
           (std::uint32_t(std::uint8_t(text[2])) << 8) | std::uint32_t(std::uint8_t(text[3]));
}

// The codec of a header tag, or null for a tag this reader does not know.
std::unique_ptr<ChdCodec> MakeChdCodec(std::uint32_t tag);

// Raw deflate (the "zlib" tag), through libdeflate.
class ChdDeflateCodec final : public ChdCodec {
public:
    ChdDeflateCodec();
    ~ChdDeflateCodec() override;
    bool Decompress(const unsigned char* source, std::size_t length, unsigned char* into,
                    std::size_t size) override;

private:
    struct libdeflate_decompressor* inflater;
};

// A raw LZMA stream without header or end mark, with the encoder's default
// literal and position settings, through liblzma.
class ChdLzmaCodec final : public ChdCodec {
public:
    bool Decompress(const unsigned char* source, std::size_t length, unsigned char* into,
                    std::size_t size) override;
};

// One zstd frame, through libzstd.
class ChdZstdCodec final : public ChdCodec {
public:
    ChdZstdCodec();
    ~ChdZstdCodec() override;
    bool Decompress(const unsigned char* source, std::size_t length, unsigned char* into,
                    std::size_t size) override;

private:
    struct ZSTD_DCtx_s* context;
};

// Bytes coded with a 256-symbol Huffman code whose lengths lead the data.
class ChdHuffmanCodec final : public ChdCodec {
public:
    bool Decompress(const unsigned char* source, std::size_t length, unsigned char* into,
                    std::size_t size) override;
};

// 16-bit stereo samples as FLAC frames, after one byte that says whether the
// samples are little ('L') or big ('B') endian.
class ChdFlacCodec final : public ChdCodec {
public:
    bool Decompress(const unsigned char* source, std::size_t length, unsigned char* into,
                    std::size_t size) override;
};

// A hunk of CD frames (cdzl, cdlz, cdzs): a bit per frame that says its sync
// and error codes were dropped, the length of the compressed sector bytes,
// the sector bytes of all frames with one codec, their subcode bytes with
// another.
class ChdCdCodec final : public ChdCodec {
public:
    ChdCdCodec(std::unique_ptr<ChdCodec> sectors, std::unique_ptr<ChdCodec> subcode);
    bool Decompress(const unsigned char* source, std::size_t length, unsigned char* into,
                    std::size_t size) override;

private:
    std::unique_ptr<ChdCodec> sectors;
    std::unique_ptr<ChdCodec> subcode;
    std::vector<unsigned char> split;
};

// A hunk of CD audio frames (cdfl): the sector bytes as big-endian FLAC
// frames, then the subcode bytes deflated.
class ChdCdFlacCodec final : public ChdCodec {
public:
    bool Decompress(const unsigned char* source, std::size_t length, unsigned char* into,
                    std::size_t size) override;

private:
    ChdDeflateCodec subcode;
    std::vector<unsigned char> split;
};
