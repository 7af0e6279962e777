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

// The low `count` bytes of `value`, most significant byte first.
inline std::string BytesBE(std::uint64_t value, int count) {
    std::string out(std::size_t(count), '\0');
    PutBE(out, 0, value, count);
    return out;
}

}  // namespace testsupport
