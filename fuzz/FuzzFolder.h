#pragma once

#include <string>
#include <string_view>

// A private folder for one fuzzing process, in memory (/dev/shm) when the
// machine has it, removed when the process ends.
const std::string& FuzzFolder();

// Writes `content` to the file `name` in the folder (replacing it) and returns
// its path.
std::string WriteFuzzFile(const std::string& name, std::string_view content);
