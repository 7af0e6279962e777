#pragma once

#include <cstdint>

// Fixed-width numbers from untrusted bytes. Callers check that the bytes lie
// inside their buffer before they read.
inline std::uint16_t ReadLE16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t ReadLE32(const unsigned char* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

inline std::uint16_t ReadBE16(const unsigned char* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

inline std::uint32_t ReadBE32(const unsigned char* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}

inline std::uint64_t ReadLE64(const unsigned char* p) {
    return std::uint64_t(ReadLE32(p)) | (std::uint64_t(ReadLE32(p + 4)) << 32);
}

inline std::uint64_t ReadBE64(const unsigned char* p) {
    return (std::uint64_t(ReadBE32(p)) << 32) | ReadBE32(p + 4);
}
