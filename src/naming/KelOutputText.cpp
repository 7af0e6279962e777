#include "naming/KelOutputText.h"

#include <stdio.h>

#include "platform/TextLines.h"

bool KelOutputText::Write() const {
    if (path.find('\0') != std::string::npos) return false;
    FILE* file = fopen(path.c_str(), "abe");
    if (file == nullptr) return false;

    bool ok = true;
    for (const std::string& line : lines) {
        ok = fwrite(line.data(), 1, line.size(), file) == line.size() &&
             fwrite(platform::LINE_END.data(), 1, platform::LINE_END.size(), file) ==
                 platform::LINE_END.size() &&
             fflush(file) == 0;
        if (!ok) break;
    }
    return fclose(file) == 0 && ok;
}
