#include "platform/StrayTemporaries.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "platform/DecimalText.h"
#include "platform/FileOps.h"
#include "platform/PathText.h"

namespace platform {
namespace {

// The process of a temporary's name, when it is one.
std::optional<pid_t> ProcessOfTemporary(const std::string& name) {
    const std::size_t marker = name.rfind(TEMPORARY_MARKER);
    if (marker == std::string::npos || marker == 0) return std::nullopt;
    const std::string_view tail = std::string_view(name).substr(marker + TEMPORARY_MARKER.size());
    const std::size_t dash = tail.find('-');
    if (dash == std::string_view::npos) return std::nullopt;
    const std::optional<std::uint64_t> process = DecimalNumber(tail.substr(0, dash), 10);
    if (!process || !DecimalNumber(tail.substr(dash + 1), 10) || *process == 0 ||
        *process > 0x7FFFFFFF) {
        return std::nullopt;
    }
    return pid_t(*process);
}

bool ProcessExists(pid_t process) {
    return process == getpid() || kill(process, 0) == 0 || errno != ESRCH;
}

// The temporaries of a listing that are strays: their process is gone and
// they are regular files of this user. The file they were written for may be
// gone too (moved back by the journal), or have a name cut short in theirs.
std::vector<FoundEntry> StraysOf(const std::string& folder,
                                 const std::vector<FoundEntry>& listing) {
    std::vector<FoundEntry> strays;
    for (const FoundEntry& entry : listing) {
        if (entry.isFolder || entry.isLink) continue;
        const std::optional<pid_t> process = ProcessOfTemporary(entry.name);
        if (!process || ProcessExists(*process)) continue;
        struct stat status;
        if (lstat(JoinPath(folder, entry.name).c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
            status.st_uid == geteuid()) {
            strays.push_back(entry);
        }
    }
    return strays;
}

std::vector<FoundEntry> Without(std::vector<FoundEntry> listing,
                                const std::vector<FoundEntry>& removed) {
    std::erase_if(listing, [&](const FoundEntry& entry) {
        return std::any_of(removed.begin(), removed.end(),
                           [&](const FoundEntry& gone) { return gone.name == entry.name; });
    });
    return listing;
}

}  // namespace

std::vector<FoundEntry> RemoveStrayTemporaries(const std::string& folder,
                                               std::vector<FoundEntry> listing) {
    std::vector<FoundEntry> removed;
    for (const FoundEntry& stray : StraysOf(folder, listing)) {
        if (unlink(JoinPath(folder, stray.name).c_str()) == 0) removed.push_back(stray);
    }
    return Without(std::move(listing), removed);
}

std::vector<FoundEntry> WithoutStrayTemporaries(const std::string& folder,
                                                std::vector<FoundEntry> listing) {
    const std::vector<FoundEntry> strays = StraysOf(folder, listing);
    return Without(std::move(listing), strays);
}

}  // namespace platform
