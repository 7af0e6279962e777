#include "config/Language.h"

#include <unistd.h>

#include <vector>

#include "platform/FileOps.h"
#include "platform/PathText.h"

namespace config {
namespace {

// The language folder that lies beside the executable: share/orvane/language
// next to its bin folder, in the build tree as in an installed prefix.
std::string InstalledLanguageFolder() {
    std::vector<char> buffer(4096);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) return {};
    const std::string executable(buffer.data(), std::size_t(length));
    return platform::SplitAtLastSeparator(executable).folder + "/../share/orvane/language";
}

}  // namespace

std::string LanguageFolder(const std::string& startDirectory) {
    const std::string local = startDirectory + "/language";
    if (platform::KindOf(local) == platform::PathKind::Folder) return local;
    const std::string installed = InstalledLanguageFolder();
    if (!installed.empty() && platform::KindOf(installed) == platform::PathKind::Folder) {
        return installed;
    }
    return local;
}

void LoadLanguage(KeyedTextDocument& texts, const std::string& folder, const std::string& name) {
    texts.Load(folder + "/" + name + ".ini");
}

}  // namespace config
