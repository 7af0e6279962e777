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

int FindByPrefix(const std::vector<std::string>& entries, const std::string& name) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (platform::StartsWithIgnoreCase(entries[i], name)) return int(i);
    }
    return -1;
}

int SelectRemembered(const std::vector<std::string>& entries, std::string& remembered) {
    // With nothing remembered (a first start) the first entry is taken as the
    // one in use, rather than shown selected while nothing is loaded.
    const int index = remembered.empty() ? -1 : FindByPrefix(entries, remembered);
    if (index >= 0) return index;
    if (entries.empty()) return -1;
    remembered = entries.front();
    return 0;
}

}  // namespace config
