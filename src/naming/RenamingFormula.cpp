#include "naming/RenamingFormula.h"

#include "naming/NameWidth.h"

namespace {

struct Placeholder {
    std::string_view text;
    std::size_t field;
};

// The order matters: text inserted early is searched by the later ones.
constexpr Placeholder PLACEHOLDERS[] = {
    {"%i", 0}, {"%n", 1}, {"%l", 2}, {"%s", 3},  {"%v", 4}, {"%L", 5},
    {"%d", 6}, {"%m", 7}, {"%r", 8}, {"%e", 10}, {"%z", 9},
};

constexpr std::string_view NAME_PLACEHOLDER = "%n";
constexpr std::string_view DISC_MARKER = " Disc";
// The marker and the character after it.
constexpr std::size_t DISC_MARKER_SPAN = 6;

// Replaces every occurrence in one pass over `text`, so inserted values are
// never searched again. False, with `text` as it was, when the result would
// pass MAX_EXPANDED_FORMULA.
bool ReplaceEach(std::string& text, std::string_view placeholder, std::string_view value) {
    std::string replaced;
    std::size_t from = 0;
    for (std::size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, from)) {
        replaced.append(text, from, at - from);
        replaced.append(value);
        if (replaced.size() > MAX_EXPANDED_FORMULA) return false;
        from = at + placeholder.size();
    }
    replaced.append(text, from);
    if (replaced.size() > MAX_EXPANDED_FORMULA) return false;
    text = std::move(replaced);
    return true;
}

}  // namespace

std::string ExpandFormula(const DiscRecord& record, const FormulaSettings& settings) {
    std::string text = settings.formula;
    if (text.size() > MAX_EXPANDED_FORMULA) return {};
    for (const Placeholder& placeholder : PLACEHOLDERS) {
        if (text.find(placeholder.text) == std::string::npos) continue;
        const bool replaced =
            placeholder.text == NAME_PLACEHOLDER
                ? ReplaceEach(text, placeholder.text, ConvertNameWidth(record[1], settings))
                : ReplaceEach(text, placeholder.text, record[placeholder.field]);
        if (!replaced) return {};
    }
    return text;
}

std::string StripDiscMarker(std::string_view folderPath) {
    std::string path(folderPath);
    const std::size_t marker = path.find(DISC_MARKER);
    if (marker != std::string::npos) path.erase(marker, DISC_MARKER_SPAN);
    return path;
}
