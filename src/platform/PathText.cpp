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

}  // namespace platform
