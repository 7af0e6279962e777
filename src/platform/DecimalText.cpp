#include "platform/DecimalText.h"

#include <algorithm>

namespace platform {

std::optional<std::uint64_t> DecimalNumber(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > std::min(maxDigits, MAX_DECIMAL_DIGITS)) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + std::uint64_t(c - '0');
    }
    return value;
}

}  // namespace platform
