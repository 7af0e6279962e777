#pragma once

#include <string>
#include <string_view>

#include "config/KeyedTextDocument.h"

inline constexpr const char* LANGUAGE_HEADER = "[Orvane language file Ver1]";

// Every text the program shows, but the fixed captions of its window, comes
// from a language file: "language/<name>.ini" under the start-up directory.
namespace config {

// The folder of the language files: language/ under the start-up directory,
// or, when there is none, the one installed with the program.
std::string LanguageFolder(const std::string& startDirectory);

// Loads a language on top of what `texts` holds: keys the new file lacks
// keep the text of the language applied before.
void LoadLanguage(KeyedTextDocument& texts, const std::string& folder, const std::string& name);

// The English language file as it was built into the program: the texts
// under every language, so that a message is never blank, neither without
// any language folder nor with a language file that lacks a newer key.
std::string_view BuiltInEnglishText();

}  // namespace config
