#pragma once

#include <string>

// Started from the desktop, the window's current directory is the home
// folder, which is no place for settings, presets, lists and logs: the
// desktop entry asks for a folder of the user's data instead. Files the
// program keeps for itself whatever the start-up directory (the hash cache of
// verify) live there too.
namespace platform {

// $XDG_DATA_HOME/orvane, or ~/.local/share/orvane when XDG_DATA_HOME is unset
// or not an absolute path; empty when there is no home folder either.
std::string UserDataFolder();

// Creates the user's data folder (and the folders above it), private to the
// user, when missing; false when `folder` is empty or cannot be made.
bool MakeUserDataFolder(const std::string& folder);

// Creates the user's data folder (and the folders above it) when missing and
// makes it the current directory; false, with the folder in `error`, when
// that fails.
bool EnterUserDataFolder(std::string& error);

}  // namespace platform
