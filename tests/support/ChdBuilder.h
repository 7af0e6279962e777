#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// What a CHD written by MakeChd holds.
struct ChdSpec {
    // Version 5, or 4 (every hunk raw deflate, or plain, or "mini", or a
    // repeat; `codec` is then not used).
    int version = 5;
    // "zstd" (each hunk one zstd frame) or "cdzs" (CD frames: sector bytes
    // and subcode bytes as two zstd frames); a hunk that does not shrink is
    // stored plain.
    std::string codec = "zstd";
    std::uint32_t hunkBytes = 4096;
    std::uint32_t unitBytes = 2048;
    // The logical bytes: a DVD's sectors, or a CD's 2448-byte frames.
    std::string data;
    // Metadata entries in order: four-letter tag, bytes.
    std::vector<std::pair<std::string, std::string>> metadata;
};

// Writes a version 5 CHD as the format's published layout gives it: header,
// metadata chain, hunks, and a compressed map (every kind code four bits
// long; a hunk equal to an earlier one refers to it). chdman 0.251 cannot
// write zstd codecs or DVD metadata; this can.
std::string MakeChd(const ChdSpec& spec);

// The CHT2 metadata text of one CD track, with its closing NUL.
std::string ChdTrackText(int track, const std::string& type, std::uint64_t frames);

// CD frames as a CHD stores them: each sector of `sectorBytes` at the start
// of 2352 bytes, then 96 bytes of subcode (a pattern that is no sector data),
// padded with empty frames to a multiple of four as chdman pads each track.
std::string ChdFrames(const std::string& sectors, std::size_t sectorBytes);

}  // namespace testsupport
