#include "naming/RenamingFormula.h"

#include <gtest/gtest.h>

namespace {

DiscRecord Record(const std::string& identifier, const std::string& name) {
    DiscRecord record;
    record[0] = identifier;
    record[1] = name;
    return record;
}

std::string Repeated(const std::string& text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) repeated += text;
    return repeated;
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

TEST(ExpandFormulaTest, ExpansionIsCutAtTheBound) {
    // Each placeholder's field holds the next placeholder a thousand times:
    // expanded in full this would be 10^9 copies of the last field.
    DiscRecord record = Record("SLPS00071", "Name");
    record[2] = Repeated("%s", 1000);
    record[3] = Repeated("%v", 1000);
    record[4] = "x";
    EXPECT_EQ(Expand(Repeated("%l", 1000), record).size(), MAX_EXPANDED_FORMULA);
    // Up to the bound the expansion is kept whole, past it cut to it.
    record[2] = std::string(MAX_EXPANDED_FORMULA - 1, 'a');
    EXPECT_EQ(Expand("%l.", record), record[2] + ".");
    EXPECT_EQ(Expand("%l..", record), record[2] + ".");
    EXPECT_EQ(Expand(std::string(MAX_EXPANDED_FORMULA + 1, 'a'), record),
              std::string(MAX_EXPANDED_FORMULA, 'a'));
    // Never inside a character: a three-byte character that would cross the
    // bound goes whole.
    record[2] = std::string(MAX_EXPANDED_FORMULA - 1, 'a') + "\xE3\x81\x82";
    EXPECT_EQ(Expand("%l", record), std::string(MAX_EXPANDED_FORMULA - 1, 'a'));
}

TEST(ExpandFormulaTest, ValuesComeWithoutControlCharacters) {
    DiscRecord record = Record("SLPS00071", "Line\r\nbreak");
    EXPECT_EQ(Expand("%i %n", record), "SLPS00071 Linebreak");
}

// A file whose name begins with '.' is hidden; its name keeps the dot, made
// visible, and a list line keeps it as the database writes it.
TEST(ExpandFormulaTest, ALeadingDotOfAFileNameIsMadeVisible) {
    const DiscRecord record = Record("SLPS01234", ".hack//Infection");
    EXPECT_EQ(Expand("%n", record), "．hack／／Infection");
    EXPECT_EQ(Expand(".%i", record), "．SLPS01234");
    EXPECT_EQ(Expand("%i %n", record), "SLPS01234 .hack／／Infection");
    FormulaSettings list;
    list.formula = "%n";
    list.forFileNames = false;
    EXPECT_EQ(ExpandFormula(record, list), ".hack//Infection");
}

TEST(CheckFormulaTest, RefusesEmptyUnknownAndCutFormulas) {
    using Problem = FormulaCheck::Problem;
    const struct {
        const char* formula;
        Problem problem;
        const char* what;
    } cases[] = {
        {"%n [%i]", Problem::None, ""},
        {"%i|%n|%l|%s|%v|%L|%d|%m|%r|%z|%e", Problem::None, ""},
        // A '%' before anything but a letter is text, as the expansion keeps it.
        {"100%% (%n) {%d}", Problem::None, ""},
        {"%%i [(%n)]", Problem::None, ""},
        {"", Problem::Empty, ""},
        {"%n %x", Problem::UnknownPlaceholder, "%x"},
        {"%N [%i]", Problem::UnknownPlaceholder, "%N"},
        {"%n [%i", Problem::Cut, "["},
        {"%n (%i]", Problem::Cut, "("},
        {"%n ]%i[", Problem::Cut, "]"},
        {"%n [%i] %", Problem::Cut, "%"},
    };
    for (const auto& [formula, problem, what] : cases) {
        const FormulaCheck check = CheckFormula(formula);
        EXPECT_EQ(check.problem, problem) << formula;
        EXPECT_EQ(check.what, what) << formula;
    }
}
