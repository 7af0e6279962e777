#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A host path split at its last '/'. Paths are UTF-8, where no byte of a
// multibyte character can be taken for '/', so a byte search is exact.
struct PathSplit {
    bool hasSeparator = false;
    std::string folder;  // text before the last '/', empty when there is none
    std::string name;    // text after the last '/', the whole path when there is none
};

PathSplit SplitAtLastSeparator(std::string_view path);

// The folder of a split path as a folder to list: "/" for a path at the root,
// "" (the current folder) for a bare name.
std::string ListableFolder(const PathSplit& split);

// The path of `name` inside `folder`: a bare name for the folder "", no
// doubled '/' after "/".
std::string JoinPath(std::string_view folder, std::string_view name);

// The rest of `path` below `folder`: "" for the folder itself, "/name..." for
// a path inside it; nothing for any other path.
std::optional<std::string> PathBelow(std::string_view path, std::string_view folder);

}  // namespace platform
