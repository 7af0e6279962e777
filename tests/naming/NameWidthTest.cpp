#include "naming/NameWidth.h"

#include <gtest/gtest.h>

namespace {

struct Flags {
    bool special = false;
    bool digits = false;
    bool letters = false;
    bool punctuation = false;
    bool spaces = false;
};

std::string Convert(const std::string& name, Flags flags = {}) {
    FormulaSettings settings;
    settings.fullWidthSpecial = flags.special;
    settings.fullWidthDigits = flags.digits;
    settings.fullWidthLetters = flags.letters;
    settings.fullWidthPunctuation = flags.punctuation;
    settings.fullWidthSpaces = flags.spaces;
    return ConvertNameWidth(name, settings);
}

}  // namespace

TEST(ConvertNameWidthTest, EachFlagKeepsItsClassFullWidth) {
    EXPECT_EQ(Convert("ＡＢＣ　１２３"), "ABC 123");
    EXPECT_EQ(Convert("ＡＢＣ　１２３", {.digits = true}), "ABC １２３");
    EXPECT_EQ(Convert("ＡＢＣ　１２３", {.letters = true}), "ＡＢＣ 123");
    EXPECT_EQ(Convert("ＡＢＣ　１２３", {.spaces = true}), "ABC　123");
    EXPECT_EQ(Convert("Ａ！＋Ｂ", {.punctuation = true}), "A！＋B");
}

// A flag gives its class the full-width form whatever width the database
// wrote it in, ASCII too; off (the default) gives the half-width form. The
// special characters' flag changes nothing.
TEST(ConvertNameWidthTest, EachFlagGovernsItsClassWhateverWidthItCameIn) {
    const struct {
        Flags flags;
        const char* converted;
    } cases[] = {
        {{}, "Ab1 2-"},
        {{.special = true}, "Ab1 2-"},
        {{.digits = true}, "Ab１ ２-"},
        {{.letters = true}, "Ａｂ1 2-"},
        {{.punctuation = true}, "Ab1 2－"},
        {{.spaces = true}, "Ab1　2-"},
    };
    for (const auto& [flags, converted] : cases) {
        EXPECT_EQ(Convert("Ａｂ１ 2-", flags), converted) << converted;
    }
}

TEST(ConvertNameWidthTest, FlagsOnTurnAHalfWidthNameFullWidth) {
    EXPECT_EQ(Convert("Ab 1!", {false, true, true, true, true}), "Ａｂ　１！");
    EXPECT_EQ(Convert("Ab 1!"), "Ab 1!");
}

TEST(ConvertNameWidthTest, KatakanaAndTheirVoicedForms) {
    EXPECT_EQ(Convert("ｶﾞ", {.letters = true}), "ガ");
    EXPECT_EQ(Convert("ガ"), "ｶﾞ");
    EXPECT_EQ(Convert("ﾊﾟｳﾞ", {.letters = true}), "パヴ");
    EXPECT_EQ(Convert("パヴ"), "ﾊﾟｳﾞ");
    EXPECT_EQ(Convert("ドラゴンクエスト"), "ﾄﾞﾗｺﾞﾝｸｴｽﾄ");
}

TEST(ConvertNameWidthTest, MarkAfterAKanaWithoutVoicedFormStaysAMark) {
    // The voiced mark is a punctuation character, the kana a letter.
    EXPECT_EQ(Convert("ｯﾞ", {.letters = true}), "ッﾞ");
    EXPECT_EQ(Convert("ｯﾞ", {.letters = true, .punctuation = true}), "ッ゛");
    EXPECT_EQ(Convert("ｱﾟ", {.letters = true, .punctuation = true}), "ア゜");
    // Only a half-width kana joins with the mark.
    EXPECT_EQ(Convert("カﾞ", {.letters = true, .punctuation = true}), "カ゛");
}

TEST(ConvertNameWidthTest, JapanesePunctuationAndLongVowelMark) {
    EXPECT_EQ(Convert("「ゲーム」、。・"), "｢ｹﾞｰﾑ｣､｡･");
    EXPECT_EQ(Convert("｢ｹﾞｰﾑ｣", {.letters = true, .punctuation = true}), "「ゲーム」");
    // The long vowel mark is a letter.
    EXPECT_EQ(Convert("ｰ", {.letters = true}), "ー");
}

TEST(ConvertNameWidthTest, CharactersWithoutWidthFormsPassUnchanged) {
    EXPECT_EQ(Convert("幽遊白書 ひらがな"), "幽遊白書 ひらがな");
    EXPECT_EQ(Convert("幽遊白書 ひらがな", {false, true, true, true, true}), "幽遊白書　ひらがな");
    EXPECT_EQ(Convert("Tab\there"), "Tab\there");
}

TEST(ConvertNameWidthTest, BytesThatAreNoUtf8Survive) {
    EXPECT_EQ(Convert("A\x81\x40Ｂ"), "A\x81@B");
}

TEST(ConvertNameWidthTest, JapaneseFormsOfBackslashAndQuotes) {
    EXPECT_EQ(Convert("'~"), "'~");
    EXPECT_EQ(Convert("'~", {.punctuation = true}), "’～");
    EXPECT_EQ(Convert("’＇"), "''");
    EXPECT_EQ(Convert("¢£¬¯¦", {.punctuation = true}), "￠￡￢￣￤");
    EXPECT_EQ(Convert("￠￡￢￣￤"), "¢£¬¯¦");
}

TEST(ConvertNameWidthTest, FileNameCharactersKeepTheirFullWidthForms) {
    EXPECT_EQ(Convert("Ａ／Ｂ"), "A／B");
    EXPECT_EQ(Convert("\\/:*?\"<>|"), "￥／：＊？”＜＞｜");
    EXPECT_EQ(Convert("＼＂"), "＼＂");
    EXPECT_EQ(Convert("＋＄＾＜＝＞"), "+$^＜=＞");
}

TEST(ConvertNameWidthTest, TextFromDiscOnIsNotConverted) {
    EXPECT_EQ(Convert("ＡＢ Disc１／２"), "AB Disc１／２");
    EXPECT_EQ(Convert("Discworld ＩＩ"), "Discworld ＩＩ");
    EXPECT_EQ(Convert("Ａ disc"), "A disc");
}
