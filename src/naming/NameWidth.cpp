#include "naming/NameWidth.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <iterator>

#include "platform/Utf8.h"

namespace {

constexpr std::string_view DISC_WORD = "Disc";

constexpr char32_t IDEOGRAPHIC_SPACE = 0x3000;
// Printable ASCII and its full-width forms lie this far apart.
constexpr char32_t FULL_WIDTH_OFFSET = 0xFEE0;

// Where the Japanese locale leaves the plain offset for three ASCII characters;
// the half-width direction also takes their offset forms back.
struct Pair {
    char32_t half;
    char32_t full;
};
constexpr Pair JAPANESE_ASCII_FORMS[] = {{U'\\', 0xFFE5}, {U'"', 0x201D}, {U'\'', 0x2019}};

// Latin-1 signs with full-width forms U+FFE0..U+FFE4.
constexpr Pair SIGN_FORMS[] = {
    {0xA2, 0xFFE0}, {0xA3, 0xFFE1}, {0xAC, 0xFFE2}, {0xAF, 0xFFE3}, {0xA6, 0xFFE4},
};

// Full-width forms of the half-width katakana block U+FF61..U+FF9F.
constexpr char32_t HALF_KANA_FIRST = 0xFF61;
constexpr char32_t HALF_KANA_LAST = 0xFF9F;
constexpr char32_t HALF_VOICED_MARK = 0xFF9E;
constexpr char32_t HALF_SEMI_VOICED_MARK = 0xFF9F;
constexpr std::array<char32_t, HALF_KANA_LAST - HALF_KANA_FIRST + 1> KANA_FULL_FORMS = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2,                          // ｡｢｣､･ｦ
    0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9, 0x30E3, 0x30E5, 0x30E7, 0x30C3,  // ｧ..ｯ
    0x30FC,                                                                  // ｰ
    0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA,                                  // ｱ..ｵ
    0x30AB, 0x30AD, 0x30AF, 0x30B1, 0x30B3,                                  // ｶ..ｺ
    0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD,                                  // ｻ..ｿ
    0x30BF, 0x30C1, 0x30C4, 0x30C6, 0x30C8,                                  // ﾀ..ﾄ
    0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE,                                  // ﾅ..ﾉ
    0x30CF, 0x30D2, 0x30D5, 0x30D8, 0x30DB,                                  // ﾊ..ﾎ
    0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2,                                  // ﾏ..ﾓ
    0x30E4, 0x30E6, 0x30E8,                                                  // ﾔﾕﾖ
    0x30E9, 0x30EA, 0x30EB, 0x30EC, 0x30ED,                                  // ﾗ..ﾛ
    0x30EF, 0x30F3,                                                          // ﾜﾝ
    0x309B, 0x309C,                                                          // ﾞﾟ
};

// Kana that take the voiced mark (ｶﾞ -> ガ is the next code point), and the
// h-row, which also takes the semi-voiced mark (ﾊﾟ -> パ, two code points on).
constexpr char32_t VOICEABLE_KANA[] = {
    0x30AB, 0x30AD, 0x30AF, 0x30B1, 0x30B3,  // カキクケコ
    0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD,  // サシスセソ
    0x30BF, 0x30C1, 0x30C4, 0x30C6, 0x30C8,  // タチツテト
    0x30CF, 0x30D2, 0x30D5, 0x30D8, 0x30DB,  // ハヒフヘホ
};
constexpr char32_t H_ROW_KANA[] = {0x30CF, 0x30D2, 0x30D5, 0x30D8, 0x30DB};
constexpr char32_t KANA_U = 0x30A6;  // ウ, voiced to ヴ
constexpr char32_t KANA_VU = 0x30F4;

// The characters that file names may not hold.
constexpr std::u32string_view FORBIDDEN_IN_NAMES = U"\\/:*?\"<>|";

template <typename Table>
bool Contains(const Table& table, char32_t c) {
    return std::find(std::begin(table), std::end(table), c) != std::end(table);
}

char32_t FullWidthOf(char32_t c) {
    for (const Pair& pair : JAPANESE_ASCII_FORMS) {
        if (c == pair.half) return pair.full;
    }
    for (const Pair& pair : SIGN_FORMS) {
        if (c == pair.half) return pair.full;
    }
    if (c == U' ') return IDEOGRAPHIC_SPACE;
    if (c >= 0x21 && c <= 0x7E) return c + FULL_WIDTH_OFFSET;
    if (c >= HALF_KANA_FIRST && c <= HALF_KANA_LAST) return KANA_FULL_FORMS[c - HALF_KANA_FIRST];
    return c;
}

// The voiced (or semi-voiced) kana that a half-width kana and the mark after it
// form together, or 0 when they form none.
char32_t ComposedKana(char32_t kana, char32_t mark) {
    if (kana < HALF_KANA_FIRST || kana > HALF_KANA_LAST) return 0;
    const char32_t full = FullWidthOf(kana);
    if (mark == HALF_VOICED_MARK) {
        if (full == KANA_U) return KANA_VU;
        if (Contains(VOICEABLE_KANA, full)) return full + 1;
    } else if (mark == HALF_SEMI_VOICED_MARK) {
        if (Contains(H_ROW_KANA, full)) return full + 2;
    }
    return 0;
}

// The half-width katakana whose full-width form is `full`, or 0.
char32_t HalfKanaOf(char32_t full) {
    const auto found = std::find(KANA_FULL_FORMS.begin(), KANA_FULL_FORMS.end(), full);
    if (found == KANA_FULL_FORMS.end()) return 0;
    return HALF_KANA_FIRST + static_cast<char32_t>(found - KANA_FULL_FORMS.begin());
}

// Appends the half-width form of `c`: one character, two for a voiced kana
// (ガ -> ｶﾞ), or `c` itself when it has none.
void AppendHalfWidth(std::u32string& out, char32_t c) {
    for (const Pair& pair : JAPANESE_ASCII_FORMS) {
        if (c == pair.full) {
            out += pair.half;
            return;
        }
    }
    for (const Pair& pair : SIGN_FORMS) {
        if (c == pair.full) {
            out += pair.half;
            return;
        }
    }
    if (c == IDEOGRAPHIC_SPACE) {
        out += U' ';
    } else if (c >= 0x21 + FULL_WIDTH_OFFSET && c <= 0x7E + FULL_WIDTH_OFFSET) {
        out += c - FULL_WIDTH_OFFSET;
    } else if (const char32_t kana = HalfKanaOf(c)) {
        out += kana;
    } else if (c == KANA_VU) {
        out += HalfKanaOf(KANA_U);
        out += HALF_VOICED_MARK;
    } else if (Contains(VOICEABLE_KANA, c - 1)) {
        out += HalfKanaOf(c - 1);
        out += HALF_VOICED_MARK;
    } else if (Contains(H_ROW_KANA, c - 2)) {
        out += HalfKanaOf(c - 2);
        out += HALF_SEMI_VOICED_MARK;
    } else {
        out += c;
    }
}

// The whole text in full width, a half-width kana and its mark becoming one.
std::u32string ToFullWidth(std::u32string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i + 1 < text.size()) {
            if (const char32_t composed = ComposedKana(text[i], text[i + 1])) {
                out += composed;
                ++i;
                continue;
            }
        }
        out += FullWidthOf(text[i]);
    }
    return out;
}

// Character classes by Unicode category, so that full-width digits count as
// digits, kana and ideographs as letters, and symbols such as ＋ or ゛ as
// punctuation (glibc's isw* functions would give ASCII digits only).
enum class WidthClass { Digit, Punctuation, Space, Letter, Other };

WidthClass ClassOf(char32_t c) {
    const auto mask = U_GET_GC_MASK(static_cast<UChar32>(c));
    if (mask & U_GC_ND_MASK) return WidthClass::Digit;
    if (mask & (U_GC_P_MASK | U_GC_S_MASK)) return WidthClass::Punctuation;
    if ((mask & U_GC_ZS_MASK) || (c >= U'\t' && c <= U'\r')) return WidthClass::Space;
    if (mask & U_GC_L_MASK) return WidthClass::Letter;
    return WidthClass::Other;
}

// The flag that governs a class, nullptr for characters no flag governs.
const bool* WidthFlagOf(WidthClass widthClass, const FormulaSettings& settings) {
    switch (widthClass) {
        case WidthClass::Digit:
            return &settings.fullWidthDigits;
        case WidthClass::Punctuation:
            return &settings.fullWidthPunctuation;
        case WidthClass::Space:
            return &settings.fullWidthSpaces;
        case WidthClass::Letter:
            return &settings.fullWidthLetters;
        case WidthClass::Other:
            break;
    }
    return nullptr;
}

}  // namespace

std::string ConvertNameWidth(std::string_view name, const FormulaSettings& settings) {
    const std::size_t discAt = name.find(DISC_WORD);
    const std::string_view head = name.substr(0, discAt);
    const std::string_view tail = discAt == std::string_view::npos ? "" : name.substr(discAt);

    std::u32string converted;
    for (const char32_t c : ToFullWidth(platform::DecodeUtf8(head))) {
        // Every character is in its full-width form by now; the flags say
        // which ones go back to half width.
        const bool* keepFullWidth = WidthFlagOf(ClassOf(c), settings);
        if (keepFullWidth == nullptr || *keepFullWidth) {
            converted += c;
            continue;
        }
        const std::size_t before = converted.size();
        AppendHalfWidth(converted, c);
        const bool forbidden =
            settings.forFileNames && converted.size() == before + 1 &&
            FORBIDDEN_IN_NAMES.find(converted.back()) != std::u32string_view::npos;
        if (forbidden) converted.back() = c;
    }
    return platform::EncodeUtf8(converted) + std::string(tail);
}
