#include "naming/RenamingFormula.h"

#include <algorithm>
#include <iterator>

#include "naming/NameWidth.h"
#include "platform/AsciiCase.h"
#include "platform/Utf8.h"

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
// A file named with a leading '.' is hidden; the full-width dot is not.
constexpr char LEADING_DOT = '.';
constexpr std::string_view VISIBLE_DOT = "\xEF\xBC\x8E";  // U+FF0E
constexpr std::string_view OPENING_BRACKETS = "([{";
constexpr std::string_view CLOSING_BRACKETS = ")]}";
constexpr std::u32string_view DISC_MARKER = U" Disc";
// The marker and the character after it.
constexpr std::size_t DISC_MARKER_SPAN = 6;

// Cuts the text to at most MAX_EXPANDED_FORMULA bytes, not inside a UTF-8
// character.
void CutToBound(std::string& text) {
    if (text.size() <= MAX_EXPANDED_FORMULA) return;
    std::size_t end = MAX_EXPANDED_FORMULA;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.erase(end);
}

// Replaces every occurrence in one pass over `text`, so inserted values are
// never searched again. False, with the text cut to the bound, when the
// result would pass MAX_EXPANDED_FORMULA.
bool ReplaceEach(std::string& text, std::string_view placeholder, std::string_view value) {
    std::string replaced;
    std::size_t from = 0;
    bool fits = true;
    for (std::size_t at = text.find(placeholder); fits && at != std::string::npos;
         at = text.find(placeholder, from)) {
        replaced.append(text, from, at - from);
        replaced.append(value);
        from = at + placeholder.size();
        fits = replaced.size() <= MAX_EXPANDED_FORMULA;
    }
    if (fits) replaced.append(text, from);
    fits = fits && replaced.size() <= MAX_EXPANDED_FORMULA;
    text = std::move(replaced);
    CutToBound(text);
    return fits;
}

}  // namespace

std::string ExpandFormula(const DiscRecord& record, const FormulaSettings& settings) {
    std::string text = settings.formula;
    if (text.size() > MAX_EXPANDED_FORMULA) {
        CutToBound(text);
        return text;
    }
    for (const Placeholder& placeholder : PLACEHOLDERS) {
        if (text.find(placeholder.text) == std::string::npos) continue;
        const std::string value = platform::WithoutControlCharacters(
            placeholder.text == NAME_PLACEHOLDER ? ConvertNameWidth(record[1], settings)
                                                 : record[placeholder.field]);
        if (!ReplaceEach(text, placeholder.text, value)) break;
    }
    if (settings.forFileNames && !text.empty() && text.front() == LEADING_DOT) {
        text.replace(0, 1, VISIBLE_DOT);
        CutToBound(text);
    }
    return text;
}

FormulaCheck CheckFormula(std::string_view formula) {
    FormulaCheck check;
    if (formula.empty()) {
        check.problem = FormulaCheck::Problem::Empty;
        return check;
    }
    auto fail = [&check](FormulaCheck::Problem problem, std::string_view what) {
        check.problem = problem;
        check.what = std::string(what);
        return check;
    };
    std::string open;  // the brackets not yet closed, innermost last
    for (std::size_t i = 0; i < formula.size(); ++i) {
        const char c = formula[i];
        if (c == '%') {
            if (i + 1 == formula.size()) return fail(FormulaCheck::Problem::Cut, "%");
            if (!platform::IsAsciiLetter(formula[i + 1])) continue;
            const std::string_view placeholder = formula.substr(i, 2);
            const bool known = std::any_of(
                std::begin(PLACEHOLDERS), std::end(PLACEHOLDERS),
                [placeholder](const Placeholder& known) { return known.text == placeholder; });
            if (!known) return fail(FormulaCheck::Problem::UnknownPlaceholder, placeholder);
            ++i;
        } else if (OPENING_BRACKETS.find(c) != std::string_view::npos) {
            open += c;
        } else if (const std::size_t closing = CLOSING_BRACKETS.find(c);
                   closing != std::string_view::npos) {
            if (open.empty()) return fail(FormulaCheck::Problem::Cut, formula.substr(i, 1));
            if (OPENING_BRACKETS.find(open.back()) != closing) {
                return fail(FormulaCheck::Problem::Cut, std::string_view(&open.back(), 1));
            }
            open.pop_back();
        }
    }
    if (!open.empty()) return fail(FormulaCheck::Problem::Cut, std::string_view(&open.back(), 1));
    return check;
}

std::string StripDiscMarker(std::string_view folderPath) {
    // Characters, not bytes: the disc number may be a full-width digit, and a
    // folder name must stay valid UTF-8.
    std::u32string path = platform::DecodeUtf8(folderPath);
    const std::size_t marker = path.find(DISC_MARKER);
    if (marker == std::u32string::npos) return std::string(folderPath);
    path.erase(marker, DISC_MARKER_SPAN);
    return platform::EncodeUtf8(path);
}
