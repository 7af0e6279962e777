#include "platform/UserDataFolder.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/FileOps.h"

namespace platform {

namespace {

constexpr const char* DATA_SUBFOLDER = "orvane";

// An environment variable that holds an absolute path, or nothing.
std::string AbsolutePathFrom(const char* name) {
    const char* value = std::getenv(name);
    return (value != nullptr && value[0] == '/') ? std::string(value) : std::string();
}

// Creates every missing folder of an absolute path, private to the user as
// data folders are.
bool MakeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (KindOf(part) != PathKind::Folder && !MakeFolder(part, 0700)) {
            return false;
        }
        if (slash == std::string::npos) return true;
    }
}

}  // namespace

std::string UserDataFolder() {
    const std::string dataHome = AbsolutePathFrom("XDG_DATA_HOME");
    if (!dataHome.empty()) return dataHome + "/" + DATA_SUBFOLDER;
    const std::string home = AbsolutePathFrom("HOME");
    if (!home.empty()) return home + "/.local/share/" + DATA_SUBFOLDER;
    return {};
}

bool MakeUserDataFolder(const std::string& folder) {
    return !folder.empty() && MakeFolders(folder);
}

bool EnterUserDataFolder(std::string& error) {
    const std::string folder = UserDataFolder();
    if (MakeUserDataFolder(folder) && chdir(folder.c_str()) == 0) return true;
    error = folder.empty() ? "no home folder (neither XDG_DATA_HOME nor HOME is set)" : folder;
    return false;
}

}  // namespace platform
