#pragma once

// The naming layer: the renaming formula, the width conversion of names, the
// image texts, the rename batch and other text output, the have/miss lists.

#include <string>
#include <string_view>

#include "gamedb/GameDatabase.h"
#include "naming/FormulaSettings.h"

// The renaming formula: a text in which placeholders stand for fields of a
// game's record. Expanded, it gives a disc image's new base name (no folder, no
// extension) or one line of the have and miss lists.
//
//   %i identifier   %n name (width-converted)   %l %s %v %L %r database fields 2 3 4 5 8
//   %d release date %m system text   %z image size text   %e image type text
//
// Placeholders are case-sensitive ("%l" and "%L" differ); any other '%'
// sequence, a doubled one included, stays as written.

// The longest expansion kept. No file name comes near it, and because inserted
// text meets the later placeholders, a record whose fields hold placeholders
// would otherwise multiply the text with each of them (a line of a few
// kilobytes grows to gigabytes).
inline constexpr std::size_t MAX_EXPANDED_FORMULA = 4096;

// Replaces the placeholders in the fixed order %i %n %l %s %v %L %d %m %r %e %z.
// Text inserted for one placeholder is subject to those replaced after it (a
// name holding "%d" gets the date), but never to its own: scanning goes on after
// each inserted value, so a value holding its own placeholder is inserted once.
// Values are inserted without control characters. An expansion that would
// pass MAX_EXPANDED_FORMULA comes back cut to it: too long for any file name,
// and a bounded line in a list. A file name (settings.forFileNames) that would
// begin with '.' (".hack//Infection") begins with the full-width dot instead:
// the name stays readable and the file is not hidden.
std::string ExpandFormula(const DiscRecord& record, const FormulaSettings& settings);

// What makes a formula unfit to run with, found before a run, since every
// disc would get a name the user did not mean.
struct FormulaCheck {
    enum class Problem {
        None,
        Empty,
        // A '%' and a letter that stand for no field ("%x", "%N").
        UnknownPlaceholder,
        // A bracket without its pair, or a '%' at the very end: the formula
        // was cut off ("%n [%i").
        Cut,
    };
    Problem problem = Problem::None;
    // The unknown placeholder, or the bracket or '%' left open.
    std::string what;
};

// A '%' before anything but a letter is text, as the expansion keeps it
// ("100%% %n", "%%i" gives '%' and the identifier); brackets are ( ), [ ]
// and { }, and must nest.
FormulaCheck CheckFormula(std::string_view formula);

// Removes the first " Disc" of a folder's new path together with the one
// character after it (the disc number), so several discs of one game share one
// folder name. Works on characters, not bytes.
std::string StripDiscMarker(std::string_view folderPath);
