#pragma once

// The naming layer: the renaming formula, the width conversion of names, the
// image texts, the rename batch and other text output, the have/miss lists.

#include <string>
#include <string_view>

#include "ident/GameDatabase.h"
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

// The expansion stops once its text passes this many bytes (a file name holds
// at most 255): each value may bring more placeholders, so a small formula or
// database line could otherwise ask for billions of bytes.
inline constexpr std::size_t MAX_EXPANSION = 4096;

// Replaces the placeholders in the fixed order %i %n %l %s %v %L %d %m %r %e %z.
// Text inserted for one placeholder is subject to those replaced after it (a
// name holding "%d" gets the date), but never to its own: scanning goes on after
// each inserted value, so a value holding its own placeholder is inserted once.
// Values are inserted without control characters. A result that would pass
// MAX_EXPANSION comes back cut to it (too long for any file name).
std::string ExpandFormula(const DiscRecord& record, const FormulaSettings& settings);

// Removes the first " Disc" of a folder's new path together with the one
// character after it (the disc number), so several discs of one game share one
// folder name. Works on characters, not bytes.
std::string StripDiscMarker(std::string_view folderPath);
