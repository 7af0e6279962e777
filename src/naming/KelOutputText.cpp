#include "naming/KelOutputText.h"

#include "platform/AppendFile.h"

bool KelOutputText::Write() const {
    platform::AppendFile file(path);
    bool ok = file.IsOpen();
    for (const std::string& line : lines) {
        ok = ok && file.AppendLine(line);
    }
    return file.Close() && ok;
}
