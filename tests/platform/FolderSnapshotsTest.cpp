#include "platform/FolderSnapshots.h"

#include <gtest/gtest.h>

#include "platform/FileOps.h"
#include "support/Files.h"
#include "support/TempDir.h"

using platform::FoundEntry;

namespace {

std::vector<std::string> Names(const std::vector<FoundEntry>& entries) {
    std::vector<std::string> names;
    for (const FoundEntry& entry : entries)
        names.push_back(entry.name + (entry.isFolder ? "/" : ""));
    return names;
}

}  // namespace

// A kept listing, after moves on the disk that it was told of, answers every
// search as a fresh reading of the folder does.
TEST(FolderSnapshots, AnswersAsTheDiskDoesAfterMoves) {
    testsupport::TempDir dir;
    const std::string folder = dir / "scan";
    testsupport::MakeDirs(folder + "/Game (Disc 2)");
    for (const char* name : {"Game.bin", "game.cue", "GAME (Disc 1).iso", "Game_x.iso", "Gamma.iso",
                             "a.m3u", "What?.iso", "WhatX.bin", "Z", "zz.ISO", "Game.part1.rar"}) {
        testsupport::WriteFile(folder + "/" + name, name);
    }
    platform::FolderSnapshots snapshots;
    snapshots.Keep(folder, platform::ListFolder(folder));
    // Indexed before the moves: the moves keep the index current.
    EXPECT_EQ(snapshots.FindWithExtension(folder, "iso").size(), 5u);
    const std::vector<std::pair<std::string, std::string>> moves = {
        {"Game.bin", "Alpha.bin"},
        {"zz.ISO", "Game.ISO"},
        {"Game (Disc 2)", "GAME (Disc 3)"},
        {"What?.iso", "what.iso"},
        {"Alpha.bin", "Game.bin"}};
    for (const auto& [from, to] : moves) {
        ASSERT_TRUE(platform::MovePath(folder + "/" + from, folder + "/" + to));
        snapshots.Moved(folder + "/" + from, folder + "/" + to);
    }

    const std::vector<std::pair<std::string, std::string>> searches = {
        {"", "*.*"},     {"Game", ".*"}, {"game", "*.iso"}, {"GAME (", "*"}, {"What?", ".*"},
        {"What", "*"},   {"Z", ""},      {"", "*.cue"},     {"Gamez", ".*"}, {"Game.part", "*.rar"},
        {"A", "lpha.*"}, {"", "?.*"},    {"zz", ".*"},      {"Game.ISO", ""}};
    for (const auto& [literal, wildcard] : searches) {
        EXPECT_EQ(Names(snapshots.Find(folder, literal, wildcard)),
                  Names(platform::FindEntries(folder, literal, wildcard)))
            << literal << wildcard;
    }
    const std::vector<std::string> wildcards = {".iso", ".*", "*.bin", ".cue", " (Disc ?).*"};
    for (const std::string literal : {"Game", "", "what"}) {
        const auto kept = snapshots.FindPerWildcard(folder, literal, wildcards);
        const auto read = platform::FindEntriesPerWildcard(folder, literal, wildcards);
        ASSERT_EQ(kept.size(), read.size());
        for (std::size_t i = 0; i < kept.size(); ++i) {
            EXPECT_EQ(Names(kept[i]), Names(read[i])) << literal << wildcards[i];
        }
    }
    EXPECT_EQ(Names(snapshots.FindWithExtension(folder, "ISO")),
              Names(platform::FindEntries(folder, "", "*.iso")));
    for (const char* name : {"Game.bin", "Alpha.bin", "zz.ISO", "Game.ISO", "GAME (Disc 3)",
                             "Game (Disc 2)", "What?.iso", "what.iso", "game.bin"}) {
        EXPECT_EQ(snapshots.Holds(folder + "/" + name), platform::NameTaken(folder + "/" + name))
            << name;
    }
}
