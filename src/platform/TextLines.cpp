#include "platform/TextLines.h"

#include <stdio.h>
#include <stdlib.h>

namespace platform {

bool ReadTextLines(const std::string& path, const std::function<void(std::string_view)>& take) {
    if (path.find('\0') != std::string::npos) return false;
    FILE* file = fopen(path.c_str(), "rbe");
    if (file == nullptr) return false;

    char* buffer = nullptr;
    size_t capacity = 0;
    ssize_t length;
    // getline keeps NUL bytes and reports the true length, so no byte of a
    // line is lost.
    while ((length = getline(&buffer, &capacity, file)) >= 0) {
        std::string_view line(buffer, static_cast<std::size_t>(length));
        if (!line.empty() && line.back() == '\n') {
            line.remove_suffix(1);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        }
        take(line);
    }
    free(buffer);
    fclose(file);
    return true;
}

std::vector<std::string> SplitTextLines(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t lineFeed = text.find('\n');
        std::string_view line = text.substr(0, lineFeed);
        if (lineFeed != std::string_view::npos && line.ends_with('\r')) line.remove_suffix(1);
        lines.emplace_back(line);
        text = lineFeed == std::string_view::npos ? std::string_view() : text.substr(lineFeed + 1);
    }
    return lines;
}

}  // namespace platform
