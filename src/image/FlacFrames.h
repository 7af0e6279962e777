#pragma once

#include <cstddef>
#include <optional>

// Decodes 16-bit stereo FLAC frames that come without a stream header (CHD
// stores its audio hunks that way) into `samples` interleaved sample pairs at
// `into`, each 16-bit value big- or little-endian as asked. Returns how many
// bytes of `source` the frames took (other data may follow them), or nothing
// when they are damaged or hold fewer samples.
std::optional<std::size_t> DecodeFlacFrames(const unsigned char* source, std::size_t length,
                                            std::size_t samples, bool bigEndian,
                                            unsigned char* into);
