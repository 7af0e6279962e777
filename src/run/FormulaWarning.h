#pragma once

#include <string>

class KeyedTextDocument;

// Why a renaming formula would not name the discs as the user meant: it is
// empty, holds a placeholder that stands for no field, or was cut short. The
// text of the language, with the part at fault; empty when the formula is
// fine. orvane-cli refuses such a formula; the window asks before it starts.
std::string FormulaWarning(const std::string& formula, const KeyedTextDocument& language);
