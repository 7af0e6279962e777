#include "platform/StrayTemporaries.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <set>

#include "platform/PathText.h"

namespace platform {
namespace {

bool AllDigits(std::string_view text) {
    return !text.empty() && text.size() <= 10 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The process and the file of a temporary's name, when it is one.
struct TemporaryName {
    pid_t process;
    std::string file;
};

std::optional<TemporaryName> ParseTemporaryName(const std::string& name) {
    const std::size_t marker = name.rfind(".tmp");
    if (marker == std::string::npos || marker == 0) return std::nullopt;
    const std::string_view tail = std::string_view(name).substr(marker + 4);
    const std::size_t dash = tail.find('-');
    if (dash == std::string_view::npos || !AllDigits(tail.substr(0, dash)) ||
        !AllDigits(tail.substr(dash + 1))) {
        return std::nullopt;
    }
    const long long process = std::stoll(std::string(tail.substr(0, dash)));
    if (process <= 0 || process > 0x7FFFFFFF) return std::nullopt;
    return TemporaryName{pid_t(process), name.substr(0, marker)};
}

bool ProcessExists(pid_t process) {
    return process == getpid() || kill(process, 0) == 0 || errno != ESRCH;
}

}  // namespace

std::vector<FoundEntry> RemoveStrayTemporaries(const std::string& folder,
                                               std::vector<FoundEntry> listing) {
    std::set<std::string> files;
    for (const FoundEntry& entry : listing) {
        if (!entry.isFolder) files.insert(entry.name);
    }
    std::erase_if(listing, [&](const FoundEntry& entry) {
        if (entry.isFolder || entry.isLink) return false;
        const std::optional<TemporaryName> temporary = ParseTemporaryName(entry.name);
        if (!temporary || !files.contains(temporary->file) || ProcessExists(temporary->process)) {
            return false;
        }
        const std::string path = JoinPath(folder, entry.name);
        struct stat status;
        if (lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) ||
            status.st_uid != geteuid()) {
            return false;
        }
        return unlink(path.c_str()) == 0;
    });
    return listing;
}

}  // namespace platform
