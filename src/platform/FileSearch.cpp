#include "platform/FileSearch.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/AsciiCase.h"
#include "platform/FileOps.h"

namespace platform {
namespace {

// Iterative '*' / '?' matcher with single backtracking point: linear in
// practice, never exponential on patterns with many stars.
bool GlobMatch(std::string_view name, std::string_view pattern) {
    std::size_t n = 0, p = 0;
    std::size_t starPattern = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == '?' || ToLowerAscii(pattern[p]) == ToLowerAscii(name[n]))) {
            ++n, ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starPattern = p++;
            starName = n;
        } else if (starPattern != std::string_view::npos) {
            p = starPattern + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace

bool WildcardMatch(std::string_view name, std::string_view wildcard) {
    if (wildcard == "*.*") return true;
    if (GlobMatch(name, wildcard)) return true;
    if (wildcard.size() >= 2 && wildcard.substr(wildcard.size() - 2) == ".*") {
        return GlobMatch(name, wildcard.substr(0, wildcard.size() - 2));
    }
    return false;
}

bool ListingOrderLess(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto ua = static_cast<unsigned char>(ToUpperAscii(a[i]));
        const auto ub = static_cast<unsigned char>(ToUpperAscii(b[i]));
        if (ua != ub) return ua < ub;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

int CompareToPrefix(std::string_view name, std::string_view prefix) {
    const std::size_t common = std::min(name.size(), prefix.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto a = static_cast<unsigned char>(ToUpperAscii(name[i]));
        const auto b = static_cast<unsigned char>(ToUpperAscii(prefix[i]));
        if (a != b) return a < b ? -1 : 1;
    }
    return name.size() < prefix.size() ? -1 : 0;
}

namespace {

// The entries of a folder whose names begin with `literalName`, sorted.
std::vector<FoundEntry> ListStartingWith(const std::string& folder, std::string_view literalName) {
    std::vector<FoundEntry> found;
    if (HasNul(folder)) return found;
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return found;
    const std::string prefix = folder.empty() ? std::string() : folder + "/";
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..") continue;
        if (!StartsWithIgnoreCase(name, literalName)) continue;

        FoundEntry item;
        item.name = std::string(name);
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat status;
            if (lstat((prefix + item.name).c_str(), &status) == 0) {
                type = S_ISLNK(status.st_mode) ? DT_LNK : S_ISDIR(status.st_mode) ? DT_DIR : DT_REG;
            }
        }
        if (type == DT_LNK) {
            item.isLink = true;
            struct stat status;
            item.isFolder =
                stat((prefix + item.name).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
        } else {
            item.isFolder = type == DT_DIR;
        }
        found.push_back(std::move(item));
    }
    closedir(dir);
    std::sort(found.begin(), found.end(), [](const FoundEntry& a, const FoundEntry& b) {
        return ListingOrderLess(a.name, b.name);
    });
    return found;
}

}  // namespace

std::vector<FoundEntry> ListFolder(const std::string& folder) {
    return ListStartingWith(folder, "");
}

std::vector<FoundEntry> FilterEntries(const std::vector<FoundEntry>& listing,
                                      std::string_view literalName, std::string_view wildcard) {
    // In a listing sorted by upper-case names, the names that begin with the
    // literal part (case ignored) stand together: find them by halving.
    auto comparePrefix = [&](const FoundEntry& entry) {
        return CompareToPrefix(entry.name, literalName);
    };
    const auto first = std::partition_point(
        listing.begin(), listing.end(), [&](const FoundEntry& e) { return comparePrefix(e) < 0; });
    const auto last = std::partition_point(
        first, listing.end(), [&](const FoundEntry& e) { return comparePrefix(e) == 0; });
    std::vector<FoundEntry> matching;
    for (auto entry = first; entry != last; ++entry) {
        if (WildcardMatch(std::string_view(entry->name).substr(literalName.size()), wildcard)) {
            matching.push_back(*entry);
        }
    }
    return matching;
}

std::vector<FoundEntry> FindEntries(const std::string& folder, std::string_view literalName,
                                    std::string_view wildcard) {
    return FilterEntries(ListStartingWith(folder, literalName), literalName, wildcard);
}

std::vector<std::vector<FoundEntry>> FilterEntriesPerWildcard(
    const std::vector<FoundEntry>& listing, std::string_view literalName,
    const std::vector<std::string>& wildcards) {
    std::vector<std::vector<FoundEntry>> found;
    found.reserve(wildcards.size());
    for (const std::string& wildcard : wildcards) {
        found.push_back(FilterEntries(listing, literalName, wildcard));
    }
    return found;
}

std::vector<std::vector<FoundEntry>> FindEntriesPerWildcard(
    const std::string& folder, std::string_view literalName,
    const std::vector<std::string>& wildcards) {
    return FilterEntriesPerWildcard(ListStartingWith(folder, literalName), literalName, wildcards);
}

}  // namespace platform
