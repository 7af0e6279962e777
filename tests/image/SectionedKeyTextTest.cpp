#include "image/SectionedKeyText.h"

#include <gtest/gtest.h>

namespace {

TEST(SectionedKeyText, ReadsSectionsAndKeysIgnoringCase) {
    const SectionedKeyText text(
        "; comment\r\n[CloneCD]\r\nVersion=2\r\n\r\n  ; indented comment\r\n[Entry 0]\r\n"
        "Point=0xa2\r\nName=\"quoted value\"=x\r\nSingle='one' two\r\nBare\r\n");
    ASSERT_TRUE(text.IsValid());
    EXPECT_TRUE(text.HasSection("clonecd"));
    EXPECT_EQ(text.Value("CLONECD", "version"), "2");
    EXPECT_EQ(text.Value("entry 0", "POINT"), "0xa2");
    EXPECT_EQ(text.Value("Entry 0", "Name"), "quoted value");
    EXPECT_EQ(text.Value("Entry 0", "Single"), "one");
    EXPECT_TRUE(text.HasSection("Entry 0"));
    EXPECT_EQ(text.Value("Entry 0", "Bare"), "");
    EXPECT_EQ(text.Value("Entry 0", "Missing"), "");
    EXPECT_EQ(text.Value("Missing", "Point"), "");
    EXPECT_FALSE(text.HasSection("Missing"));
}

TEST(SectionedKeyText, KeysAreNotTrimmedAndTheFirstValueCounts) {
    const SectionedKeyText text("[A]\nKey =spaced\nKey=first\nKey=second\n[a]\nOther=more\n");
    ASSERT_TRUE(text.IsValid());
    EXPECT_EQ(text.Value("A", "Key "), "spaced");
    EXPECT_EQ(text.Value("A", "Key"), "first");
    EXPECT_EQ(text.Value("A", "Other"), "more");
}

TEST(SectionedKeyText, HeaderWithoutClosingBracketRunsToLineEnd) {
    const SectionedKeyText text("[Disc\nSessions=1");
    ASSERT_TRUE(text.IsValid());
    EXPECT_EQ(text.Value("DISC", "Sessions"), "1");  // a last line without line end
}

TEST(SectionedKeyText, EntryBeforeAnySectionIsInvalid) {
    EXPECT_FALSE(SectionedKeyText("Version=2\n[CloneCD]\n").IsValid());
    EXPECT_TRUE(SectionedKeyText("").IsValid());
}

}  // namespace
