#include "support/IdentFixtures.h"

#include <array>

#include "platform/Crc32.h"
#include "support/Files.h"
#include "support/IsoBuilder.h"

namespace identtest {
namespace {

std::array<std::uint32_t, 256> CrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit) value = (value >> 1) ^ ((value & 1) ? 0xEDB88320u : 0);
        table[i] = value;
    }
    return table;
}

}  // namespace

std::string WithCrc(const std::string& prefix, std::uint32_t crc) {
    static const std::array<std::uint32_t, 256> table = CrcTable();
    // Each step's table index shows in the top byte of the next register, so
    // the four indices can be read backwards from the wanted register...
    std::array<std::uint8_t, 4> indices{};
    std::uint32_t state = ~crc;
    for (int k = 3; k >= 0; --k) {
        std::uint8_t index = 0;
        while ((table[index] >> 24) != (state >> 24)) ++index;
        indices[std::size_t(k)] = index;
        state = (state ^ table[index]) << 8;
    }
    // ...and the bytes that produce them follow forwards from the prefix.
    std::uint32_t reg = ~platform::Crc32Update(0, prefix.data(), prefix.size());
    std::string result = prefix;
    for (std::uint8_t index : indices) {
        const auto byte = std::uint8_t(index ^ (reg & 0xFF));
        result += char(byte);
        reg = (reg >> 8) ^ table[index];
    }
    return result;
}

std::string CrcOf(const std::string& content) {
    return platform::CrcText(platform::Crc32Update(0, content.data(), content.size()));
}

bool RunIn(const std::string& folder, const std::string& command) {
    return testsupport::RunCommand("cd " + testsupport::ShellQuote(folder) + " && " + command +
                                   " >/dev/null 2>&1") == 0;
}

}  // namespace identtest
