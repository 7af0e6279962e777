#include "naming/KelRenameBatch.h"

#include "platform/PathText.h"

void KelRenameBatch::AddRename(std::string_view oldBasePath, std::string_view newName) {
    const std::string oldName = platform::SplitAtLastSeparator(oldBasePath).name;
    if (oldName == newName) return;
    AddLine("\"" + oldName + ".*\" \"" + std::string(newName) + ".*\"");
}
