#include "naming/RenamingFormula.h"

#include <gtest/gtest.h>

namespace {

DiscRecord Record(const std::string& identifier, const std::string& name) {
    DiscRecord record;
    record[0] = identifier;
    record[1] = name;
    return record;
}

std::string Expand(const std::string& formula, const DiscRecord& record) {
    FormulaSettings settings;
    settings.formula = formula;
    return ExpandFormula(record, settings);
}

}  // namespace

TEST(ExpandFormulaTest, EveryPlaceholderInsertsItsField) {
    const DiscRecord record{"ID",     "Name", "f2", "f3",       "f4", "f5",
                            "991231", "PS2",  "f8", "700.00MB", "ISO"};
    EXPECT_EQ(Expand("%i|%n|%l|%s|%v|%L|%d|%m|%r|%z|%e", record),
              "ID|Name|f2|f3|f4|f5|991231|PS2|f8|700.00MB|ISO");
    EXPECT_EQ(Expand("%i %i", record), "ID ID");
}

TEST(ExpandFormulaTest, NameKeepsItsDiscMarkerUnconverted) {
    EXPECT_EQ(Expand("%i - %n", Record("SLPS00071", "Name Disc1")), "SLPS00071 - Name Disc1");
    // Only the ASCII word is the marker.
    EXPECT_EQ(Expand("%n", Record("SLPS00071", "ＮＡＭＥ Ｄｉｓｃ１")), "NAME Disc1");
    EXPECT_EQ(Expand("%n", Record("SLPS00071", "ＮＡＭＥ Disc１")), "NAME Disc１");
}

TEST(ExpandFormulaTest, OnlyTheNameIsWidthConverted) {
    DiscRecord record = Record("ＩＤ", "ＡＢＣ");
    record[2] = "ＮＴＳＣ";
    EXPECT_EQ(Expand("%i %n %l", record), "ＩＤ ABC ＮＴＳＣ");
}

TEST(ExpandFormulaTest, OtherPercentSequencesStayAsWritten) {
    const DiscRecord record = Record("SLPS00071", "Name");
    EXPECT_EQ(Expand("%x %% %I 100% %", record), "%x %% %I 100% %");
    EXPECT_EQ(Expand("%%i", record), "%SLPS00071");
    EXPECT_EQ(Expand("[%l][%L]", record), "[][]");
}

TEST(ExpandFormulaTest, LowerAndUpperLInsertDifferentFields) {
    DiscRecord record;
    record[2] = "two";
    record[5] = "five";
    EXPECT_EQ(Expand("%l %L", record), "two five");
}

TEST(ExpandFormulaTest, InsertedTextMeetsOnlyTheLaterPlaceholders) {
    DiscRecord record = Record("SLPS00071", "Game %m %i");
    record[7] = "PS1 %n";
    EXPECT_EQ(Expand("%n", record), "Game PS1 %n %i");
}

TEST(ExpandFormulaTest, ValueHoldingItsOwnPlaceholderIsInsertedOnce) {
    EXPECT_EQ(Expand("%i/%i", Record("A%iB", "")), "A%iB/A%iB");
    EXPECT_EQ(Expand("%n", Record("", "%n")), "%n");
    // An inserted value ending in '%' does not form a new placeholder with
    // the text after it.
    EXPECT_EQ(Expand("%ii", Record("50%", "")), "50%i");
}

TEST(StripDiscMarkerTest, RemovesTheFirstMarkerAndTheCharacterAfterIt) {
    EXPECT_EQ(StripDiscMarker("/games/Name Disc1"), "/games/Name");
    EXPECT_EQ(StripDiscMarker("/games/Name Disc 2"), "/games/Name2");
    EXPECT_EQ(StripDiscMarker("/My Disc Set/Name Disc1"), "/MySet/Name Disc1");
    EXPECT_EQ(StripDiscMarker("/games/Name Disc"), "/games/Name");
    // Characters, not bytes: a full-width disc number goes whole.
    EXPECT_EQ(StripDiscMarker("/games/ABC １２３ Disc１ x"), "/games/ABC １２３ x");
}

TEST(StripDiscMarkerTest, LeavesPathsWithoutTheExactMarker) {
    EXPECT_EQ(StripDiscMarker("/games/Name"), "/games/Name");
    EXPECT_EQ(StripDiscMarker("/games/NameDisc1"), "/games/NameDisc1");
    EXPECT_EQ(StripDiscMarker("/games/Name disc1"), "/games/Name disc1");
    EXPECT_EQ(StripDiscMarker("/games/Name　Ｄｉｓｃ１"), "/games/Name　Ｄｉｓｃ１");
}

TEST(ExpandFormulaTest, ValuesComeWithoutControlCharactersAndTheResultIsBounded) {
    DiscRecord record;
    record[0] = "SLPS00071";
    record[1] = "Line\r\nbreak";
    record[2] = "%s%s%s%s";
    record[3] = "%v%v%v%v";
    record[4] = std::string(100, 'v');
    FormulaSettings settings;
    settings.formula = "%i %n";
    EXPECT_EQ(ExpandFormula(record, settings), "SLPS00071 Linebreak");
    // Each inserted value brings more placeholders: 16 x 100 bytes per %l,
    // and a formula of many of them is cut at the bound.
    settings.formula = std::string(3000, 'x') + "%l%l%l";
    const std::string cut = ExpandFormula(record, settings);
    EXPECT_EQ(cut.size(), MAX_EXPANSION);
    EXPECT_EQ(cut.substr(0, 3000), std::string(3000, 'x'));
}
