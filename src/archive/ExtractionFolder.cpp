#include "archive/ExtractionFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/DecimalText.h"
#include "platform/FileOps.h"

namespace {

constexpr std::string_view PREFIX = "Kelvane-";
// A process id has at most this many digits (pid_max is below 2^22).
constexpr std::size_t MAX_PID_DIGITS = 9;
// mkdtemp replaces these with letters and digits.
constexpr std::string_view RANDOM_END = "XXXXXX";

bool IsRandomEnd(std::string_view text) {
    return text.size() == RANDOM_END.size() && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
           });
}

// The process id a folder name stands for, or nothing for any other name.
std::optional<pid_t> ProcessOf(std::string_view name) {
    if (!name.starts_with(PREFIX)) return std::nullopt;
    std::string_view digits = name.substr(PREFIX.size());
    const std::size_t dash = digits.find('-');
    if (dash != std::string_view::npos) {
        if (!IsRandomEnd(digits.substr(dash + 1))) return std::nullopt;
        digits = digits.substr(0, dash);
    }
    const std::optional<std::uint64_t> pid = platform::DecimalNumber(digits, MAX_PID_DIGITS);
    if (!pid || digits.front() == '0') return std::nullopt;
    return pid_t(*pid);
}

// Only a process that is known to be gone lets its folder go: EPERM means
// the process exists under another user.
bool ProcessIsGone(pid_t pid) {
    return kill(pid, 0) != 0 && errno == ESRCH;
}

}  // namespace

std::string MakeExtractionFolder() {
    std::string path = platform::TempFolder() + std::string(PREFIX) + std::to_string(getpid()) +
                       "-" + std::string(RANDOM_END);
    if (mkdtemp(path.data()) == nullptr) return {};
    return path;
}

void RemoveAbandonedExtractionFolders() {
    const std::string temporary = platform::TempFolder();
    DIR* listing = opendir(temporary.c_str());
    if (listing == nullptr) return;
    std::vector<std::string> abandoned;
    while (const dirent* entry = readdir(listing)) {
        const std::optional<pid_t> pid = ProcessOf(entry->d_name);
        if (!pid || *pid == getpid()) continue;
        struct stat status;
        if (fstatat(dirfd(listing), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISDIR(status.st_mode) || status.st_uid != geteuid()) continue;
        if (ProcessIsGone(*pid)) abandoned.emplace_back(entry->d_name);
    }
    closedir(listing);
    for (const std::string& name : abandoned) platform::RemoveTree(temporary + name);
}
