#pragma once

#include <string>
#include <vector>

// Presets and languages are files in a folder, known by their file titles.
namespace config {

// The names without extension of the files (not folders) of a folder, in
// listing order, whatever their extension.
std::vector<std::string> ListFileTitles(const std::string& folder);

// How a remembered name finds its entry. Languages take the first entry that
// begins with the name, ASCII case ignored. Presets are files the user names,
// adds and deletes: only the very name will do, or a deleted "Beta" would be
// found again as "Beta2" and written back on the next save.
enum class NameMatch { Prefix, Exact };

// The entry a remembered name selects, from the top; -1 when none does. With
// NameMatch::Prefix an empty name selects the first entry.
int FindRemembered(const std::vector<std::string>& entries, const std::string& name,
                   NameMatch match);

// The entry to select for a remembered name, which it updates: the one
// FindRemembered gives; the first entry when none matches or when nothing is
// remembered (then its own name becomes the remembered one); -1 for an empty
// list.
int SelectRemembered(const std::vector<std::string>& entries, std::string& remembered,
                     NameMatch match);

}  // namespace config
