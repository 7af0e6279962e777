#pragma once

#include <string>
#include <vector>

// Presets and languages are files in a folder, known by their file titles.
namespace config {

// The names without extension of the files (not folders) of a folder, in
// listing order, whatever their extension.
std::vector<std::string> ListFileTitles(const std::string& folder);

// The entry a remembered name selects: the first, from the top, that begins
// with the name, ASCII case ignored (an empty name selects the first entry);
// -1 when none does.
int FindByPrefix(const std::vector<std::string>& entries, const std::string& name);

// The entry to select for a remembered name, which it updates: the first that
// begins with it; the first entry when none does or when nothing is
// remembered (then its own name becomes the remembered one); -1 for an
// empty list.
int SelectRemembered(const std::vector<std::string>& entries, std::string& remembered);

}  // namespace config
