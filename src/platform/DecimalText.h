#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace platform {

// The most digits a DecimalNumber reads: every 19-digit number fits 64 bits.
inline constexpr std::size_t MAX_DECIMAL_DIGITS = 19;

// The number a text of ASCII digits spells, when it holds nothing else and
// has from one to `maxDigits` of them (at most MAX_DECIMAL_DIGITS). Numbers
// in names, journals and options are read this way rather than with the C
// library, which would take blanks, signs and overflow for a number.
std::optional<std::uint64_t> DecimalNumber(std::string_view text, std::size_t maxDigits);

}  // namespace platform
