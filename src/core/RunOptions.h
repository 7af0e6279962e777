#pragma once

#include <string>

// What the user asks of a run, by name. The window fills it from its
// controls, orvane-cli from its options on top of the saved ones; the runs
// know nothing of either.
struct RunOptions {
    std::string folder;       // the folder to scan
    std::string formula;      // the renaming formula of files
    std::string database;     // the game database file
    std::string addFile;      // the database file Add Record merges in
    std::string driveTool;    // passed through; no run reads it
    std::string listFormula;  // the formula of have/miss list lines
    std::string driveText;    // passed through; no run reads it
    int system = 0;           // 1 PS1, 2 PS2, 3 PSP, 0 none chosen

    bool scanSubfolders = false;
    bool renameFolders = false;   // folders of renamed images get the new name
    bool imageChecksum = false;   // the whole image's CRC-32 is tried first
    bool addPriority = false;     // Add Record and import-dat: added records win
    bool searchArchives = false;  // the list run looks into archives
    bool fullWidthSpecial = false;
    bool fullWidthDigits = false;
    bool fullWidthLetters = false;
    bool fullWidthSpaces = false;
    bool fullWidthPunctuation = false;
    bool setTimes = false;    // files and folders dated to the release day
    bool writeBatch = false;  // the rename batch is written
};

// 1 PlayStation, 2 PlayStation 2, 3 PSP, 0 no system, for the window's
// selection 0, 1, 2 (-1: none).
int SystemIndex(int systemSelection);
// "PS1", "PS2", "PSP", or "" for no system.
std::string SystemName(int systemIndex);
