#include "config/NamedFiles.h"

#include "platform/AsciiCase.h"
#include "platform/FileSearch.h"

namespace config {

std::vector<std::string> ListFileTitles(const std::string& folder) {
    std::vector<std::string> titles;
    for (const platform::FoundEntry& entry : platform::FindEntries(folder, "", "*.*")) {
        if (entry.isFolder) continue;
        titles.push_back(entry.name.substr(0, entry.name.rfind('.')));
    }
    return titles;
}

int FindRemembered(const std::vector<std::string>& entries, const std::string& name,
                   NameMatch match) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const bool matches = match == NameMatch::Exact
                                 ? entries[i] == name
                                 : platform::StartsWithIgnoreCase(entries[i], name);
        if (matches) return int(i);
    }
    return -1;
}

int SelectRemembered(const std::vector<std::string>& entries, std::string& remembered,
                     NameMatch match) {
    // With nothing remembered (a first start) the first entry is taken as the
    // one in use, rather than shown selected while nothing is loaded.
    const int index = remembered.empty() ? -1 : FindRemembered(entries, remembered, match);
    if (index >= 0) return index;
    if (entries.empty()) return -1;
    remembered = entries.front();
    return 0;
}

}  // namespace config
