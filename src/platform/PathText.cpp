#include "platform/PathText.h"

namespace platform {

PathSplit SplitAtLastSeparator(std::string_view path) {
    PathSplit split;
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        split.name = std::string(path);
        return split;
    }
    split.hasSeparator = true;
    split.folder = std::string(path.substr(0, slash));
    split.name = std::string(path.substr(slash + 1));
    return split;
}

std::string ListableFolder(const PathSplit& split) {
    if (split.hasSeparator && split.folder.empty()) return "/";
    return split.folder;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    if (folder.empty()) return std::string(name);
    std::string path(folder);
    if (path.back() != '/') path += '/';
    return path + std::string(name);
}

std::optional<std::string> PathBelow(std::string_view path, std::string_view folder) {
    if (!path.starts_with(folder)) return std::nullopt;
    const std::string_view rest = path.substr(folder.size());
    if (!rest.empty() && rest.front() != '/') return std::nullopt;
    return std::string(rest);
}

}  // namespace platform
