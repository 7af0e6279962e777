#include "naming/KelOutputText.h"

#include "platform/AppendFile.h"

KelOutputText::KelOutputText(std::string path) : path(std::move(path)) {}

KelOutputText::~KelOutputText() = default;

void KelOutputText::AddLine(const std::string& line) {
    lines.push_back(line);
    if (appending && !appending->AppendLine(line)) appendFailed = true;
}

bool KelOutputText::AppendAsAdded() {
    appending = std::make_unique<platform::AppendFile>(path);
    appendFailed = !appending->IsOpen();
    return !appendFailed;
}

bool KelOutputText::Write() const {
    if (appending) return !appendFailed;
    platform::AppendFile file(path);
    bool ok = file.IsOpen();
    for (const std::string& line : lines) {
        ok = ok && file.AppendLine(line);
    }
    return file.Close() && ok;
}
