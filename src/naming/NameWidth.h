#pragma once

#include <string>
#include <string_view>

#include "naming/FormulaSettings.h"

// The width conversion of the "%n" placeholder, with the width forms of the
// Japanese locale: the whole name is first taken to full width, then each
// digit, punctuation character, white-space character and letter goes to full
// or half width by its flag in `settings`.
//
// The text from the first "Disc" on stays as it is ("Name Disc1" keeps its disc
// marker in ASCII for the folder pass). For file names, characters that file
// names may not hold (\ / : * ? " < > |) keep their full-width forms whatever
// the flags say, so a title such as "Ａ／Ｂ" never turns into a path with a
// folder in it.
std::string ConvertNameWidth(std::string_view name, const FormulaSettings& settings);
