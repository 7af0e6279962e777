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

}  // namespace config
