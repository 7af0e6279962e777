#include "platform/FileSearch.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/Files.h"
#include "support/TempDir.h"

using platform::FindEntries;
using platform::FoundEntry;
using platform::WildcardMatch;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

std::vector<std::string> Names(const std::vector<FoundEntry>& entries) {
    std::vector<std::string> names;
    for (const FoundEntry& entry : entries) names.push_back(entry.name);
    return names;
}

}  // namespace

TEST(WildcardMatch, StarDotStarMatchesEveryName) {
    for (const char* name : {"Game.bin", "noext", ".hidden", "a.b.c", ""}) {
        EXPECT_TRUE(WildcardMatch(name, "*.*")) << name;
    }
}

TEST(WildcardMatch, TrailingDotStarAlsoMatchesTheNameWithoutExtension) {
    EXPECT_TRUE(WildcardMatch("", ".*"));
    EXPECT_TRUE(WildcardMatch(".bin", ".*"));
    EXPECT_TRUE(WildcardMatch(".part1.rar", ".*"));
    EXPECT_FALSE(WildcardMatch("s.bin", ".*"));
    EXPECT_TRUE(WildcardMatch("Game", "Game.*"));
    EXPECT_FALSE(WildcardMatch("Games", "Game.*"));
}

TEST(WildcardMatch, IgnoresAsciiCaseAndHonoursStarAndQuestionMark) {
    EXPECT_TRUE(WildcardMatch(".BIN", ".bin"));
    EXPECT_TRUE(WildcardMatch("x.Cue", "*.cue"));
    EXPECT_FALSE(WildcardMatch("x.cue2", "*.cue"));
    EXPECT_TRUE(WildcardMatch("abc", "a?c"));
    EXPECT_FALSE(WildcardMatch("ac", "a?c"));
    EXPECT_TRUE(WildcardMatch("a.b.c.d", "*.*.*"));
    // Many stars against a long name must stay quick and correct.
    EXPECT_FALSE(WildcardMatch(std::string(200, 'a'), "*a*a*a*a*a*a*a*a*b"));
}

TEST(FindEntries, SortsLikeAWindowsListingAndSkipsDotEntries) {
    TempDir dir;
    for (const char* name : {"b.bin", "A.cue", "_x.iso", "a.bin", "B.ISO", "Z"}) {
        WriteFile(dir / name, "x");
    }
    // Upper-case comparison puts '_' (0x5F) after the letters; a tie in upper
    // case is broken by bytes, so "A.cue"... and "a.bin" order by their letters.
    EXPECT_EQ(Names(FindEntries(dir.Path(), "", "*.*")),
              (std::vector<std::string>{"a.bin", "A.cue", "b.bin", "B.ISO", "Z", "_x.iso"}));
}

TEST(FindEntries, LiteralPartIgnoresCaseButIsNeverAPattern) {
    TempDir dir;
    for (const char* name :
         {"What?.iso", "WhatX.iso", "what?.cue", "Game.BIN", "game.cue", "Games.bin", "Game"}) {
        WriteFile(dir / name, "x");
    }
    EXPECT_EQ(Names(FindEntries(dir.Path(), "What?", ".*")),
              (std::vector<std::string>{"what?.cue", "What?.iso"}));
    EXPECT_EQ(Names(FindEntries(dir.Path(), "Game", ".bin")),
              (std::vector<std::string>{"Game.BIN"}));
    EXPECT_EQ(Names(FindEntries(dir.Path(), "GAME", ".*")),
              (std::vector<std::string>{"Game", "Game.BIN", "game.cue"}));
    EXPECT_EQ(Names(FindEntries(dir.Path(), "", "*.iso")),
              (std::vector<std::string>{"What?.iso", "WhatX.iso"}));
}

TEST(FindEntries, ReportsFoldersAndLinksToFolders) {
    TempDir dir;
    testsupport::MakeDirs(dir / "sub.d");
    WriteFile(dir / "file.d", "x");
    ASSERT_EQ(symlink((dir / "sub.d").c_str(), (dir / "link.d").c_str()), 0);
    ASSERT_EQ(symlink((dir / "missing").c_str(), (dir / "dangling.d").c_str()), 0);

    const auto entries = FindEntries(dir.Path(), "", "*.d");
    ASSERT_EQ(Names(entries),
              (std::vector<std::string>{"dangling.d", "file.d", "link.d", "sub.d"}));
    EXPECT_TRUE(entries[0].isLink);
    EXPECT_FALSE(entries[0].isFolder);
    EXPECT_FALSE(entries[1].isFolder);
    EXPECT_TRUE(entries[2].isFolder);
    EXPECT_TRUE(entries[2].isLink);
    EXPECT_TRUE(entries[3].isFolder);
    EXPECT_FALSE(entries[3].isLink);
}

TEST(FindEntries, MissingFolderGivesNothing) {
    TempDir dir;
    EXPECT_TRUE(FindEntries(dir / "nope", "", "*.*").empty());
    WriteFile(dir / "plain", "x");
    EXPECT_TRUE(FindEntries(dir / "plain", "", "*.*").empty());
}
