#include "image/FlacFrames.h"

#include <FLAC/stream_decoder.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

struct Decoding {
    const unsigned char* source;
    std::size_t length;
    std::size_t position = 0;
    unsigned char* into;
    std::size_t wanted;  // sample pairs
    std::size_t written = 0;
    bool bigEndian;
    bool failed = false;
};

FLAC__StreamDecoderReadStatus ReadBytes(const FLAC__StreamDecoder*, FLAC__byte buffer[],
                                        size_t* bytes, void* data) {
    auto& d = *static_cast<Decoding*>(data);
    const std::size_t count = std::min(*bytes, d.length - d.position);
    std::memcpy(buffer, d.source + d.position, count);
    d.position += count;
    *bytes = count;
    return count == 0 ? FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM
                      : FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
}

FLAC__StreamDecoderTellStatus Tell(const FLAC__StreamDecoder*, FLAC__uint64* offset, void* data) {
    *offset = static_cast<Decoding*>(data)->position;
    return FLAC__STREAM_DECODER_TELL_STATUS_OK;
}

FLAC__StreamDecoderWriteStatus WriteSamples(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                            const FLAC__int32* const channels[], void* data) {
    auto& d = *static_cast<Decoding*>(data);
    if (frame->header.channels != 2 || frame->header.bits_per_sample != 16) {
        d.failed = true;
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }
    const std::size_t count = std::min<std::size_t>(frame->header.blocksize, d.wanted - d.written);
    for (std::size_t i = 0; i < count; ++i) {
        for (int channel = 0; channel < 2; ++channel) {
            const auto value = static_cast<std::uint16_t>(channels[channel][i]);
            unsigned char* out = d.into + (d.written + i) * 4 + std::size_t(channel) * 2;
            out[d.bigEndian ? 0 : 1] = static_cast<unsigned char>(value >> 8);
            out[d.bigEndian ? 1 : 0] = static_cast<unsigned char>(value);
        }
    }
    d.written += count;
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void NoteError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* data) {
    static_cast<Decoding*>(data)->failed = true;
}

struct DecoderDeleter {
    void operator()(FLAC__StreamDecoder* decoder) const { FLAC__stream_decoder_delete(decoder); }
};

}  // namespace

std::optional<std::size_t> DecodeFlacFrames(const unsigned char* source, std::size_t length,
                                            std::size_t samples, bool bigEndian,
                                            unsigned char* into) {
    const std::unique_ptr<FLAC__StreamDecoder, DecoderDeleter> decoder(FLAC__stream_decoder_new());
    if (!decoder) return std::nullopt;
    Decoding d{source, length, 0, into, samples, 0, bigEndian, false};
    // Without a stream header the decoder finds the first frame by its sync
    // code; the frames carry their sample rate and sample size themselves.
    if (FLAC__stream_decoder_init_stream(decoder.get(), ReadBytes, nullptr, Tell, nullptr, nullptr,
                                         WriteSamples, nullptr, NoteError,
                                         &d) != FLAC__STREAM_DECODER_INIT_STATUS_OK) {
        return std::nullopt;
    }
    while (d.written < d.wanted && !d.failed) {
        if (!FLAC__stream_decoder_process_single(decoder.get())) break;
        const FLAC__StreamDecoderState state = FLAC__stream_decoder_get_state(decoder.get());
        if (state == FLAC__STREAM_DECODER_END_OF_STREAM || state == FLAC__STREAM_DECODER_ABORTED) {
            break;
        }
    }
    FLAC__uint64 used = 0;
    const bool placed = FLAC__stream_decoder_get_decode_position(decoder.get(), &used);
    FLAC__stream_decoder_finish(decoder.get());
    if (d.failed || d.written != d.wanted || !placed || used > length) return std::nullopt;
    return std::size_t(used);
}
