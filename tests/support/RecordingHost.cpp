#include "support/RecordingHost.h"

namespace testsupport {

void RecordingHost::SetStatusText(const std::string& text) {
    statuses.push_back(text);
    if (onStatus) onStatus(text);
}

std::string RecordingHost::LanguageText(const std::string& section, const std::string& key) {
    const auto found = texts.find(section + "/" + key);
    return found != texts.end() ? found->second : "<" + section + "/" + key + ">";
}

}  // namespace testsupport
