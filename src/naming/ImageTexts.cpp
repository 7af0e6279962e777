#include "naming/ImageTexts.h"

#include <cmath>

#include "platform/AsciiCase.h"

std::string SizeText(std::uint64_t size) {
    const float bytes = static_cast<float>(size);
    float value = bytes * 0x1p-30f;
    const char* unit = "GB";
    if (value < 1.0f) {
        value = bytes * 0x1p-20f;
        unit = "MB";
    }
    if (value < 1.0f) {
        value = bytes * 0x1p-10f;
        unit = "KB";
    }
    // A float times 100 needs at most 31 significant bits, so the product and
    // the rounding are exact in double.
    const auto hundredths = static_cast<std::uint64_t>(std::floor(double(value) * 100.0 + 0.5));
    const std::uint64_t whole = hundredths / 100;
    const std::uint64_t fraction = hundredths % 100;

    std::string text = whole == 0 ? "" : std::to_string(whole);
    text += '.';
    text += char('0' + fraction / 10);
    text += char('0' + fraction % 10);
    return text + unit;
}

std::string TypeText(std::string_view extension) {
    const std::string lower = platform::ToLowerAscii(extension);
    for (const char* known : {"img", "bin", "iso", "mdf", "cdi", "chd", "cso", "zso"}) {
        if (lower == known) return platform::ToUpperAscii(lower);
    }
    return "UnKnown";
}
