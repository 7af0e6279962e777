// Formula expansion with an untrusted formula and record: the database's
// fields and the formula typed by the user both reach it. The first byte holds
// the width flags; the rest is split at zero bytes into the formula and then
// the record's fields in order.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "naming/RenamingFormula.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    FormulaSettings settings;
    settings.fullWidthSpecial = (data[0] & 0x01) != 0;
    settings.fullWidthDigits = (data[0] & 0x02) != 0;
    settings.fullWidthLetters = (data[0] & 0x04) != 0;
    settings.fullWidthPunctuation = (data[0] & 0x08) != 0;
    settings.fullWidthSpaces = (data[0] & 0x10) != 0;

    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    auto next = [&rest] {
        const std::size_t end = rest.find('\0');
        const std::string_view piece = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        return std::string(piece);
    };
    settings.formula = next();
    DiscRecord record;
    for (std::string& field : record) field = next();

    StripDiscMarker(ExpandFormula(record, settings));
    return 0;
}
