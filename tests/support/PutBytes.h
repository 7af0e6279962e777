#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace testsupport {

// Writes the low `count` bytes of `value` at `at`, least or most significant
// byte first.
inline void PutLE(std::string& out, std::size_t at, std::uint64_t value, int count) {
    for (int i = 0; i < count; ++i) out[at + std::size_t(i)] = char(value >> (8 * i));
}

inline void PutBE(std::string& out, std::size_t at, std::uint64_t value, int count) {
    for (int i = 0; i < count; ++i) out[at + std::size_t(i)] = char(value >> (8 * (count - 1 - i)));
}

// The low `count` bytes of `value`, least or most significant byte first.
inline std::string BytesLE(std::uint64_t value, int count) {
    std::string out(std::size_t(count), '\0');
    PutLE(out, 0, value, count);
    return out;
}

inline std::string BytesBE(std::uint64_t value, int count) {
    std::string out(std::size_t(count), '\0');
    PutBE(out, 0, value, count);
    return out;
}

// A number below 100 as two BCD digits.
inline char Bcd(std::uint64_t value) {
    return char(((value / 10) << 4) | (value % 10));
}

// A CD position in frames as BCD minutes, seconds and frames.
inline std::string BcdMsf(std::uint64_t frames) {
    return {Bcd(frames / 4500), Bcd(frames / 75 % 60), Bcd(frames % 75)};
}

}  // namespace testsupport
