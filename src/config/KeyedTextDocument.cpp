#include "config/KeyedTextDocument.h"

#include "platform/FileOps.h"
#include "platform/ReadOnlyFile.h"
#include "platform/TextLines.h"

namespace {

bool HasLineEnd(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

bool KeyedTextDocument::Load(const std::string& path) {
    const platform::SmallFile file = platform::ReadSmallFile(path);
    return file.IsRead() && LoadText(file.text);
}

bool KeyedTextDocument::LoadText(std::string_view text) {
    platform::LineReader lines(text);
    std::string_view line;
    if (!lines.Next(line)) line = {};
    if (line != header) return false;

    std::string section;
    while (lines.Next(line)) {
        if (line.empty()) continue;
        if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        sections[section][std::string(line.substr(0, equals))] = line.substr(equals + 1);
    }
    return true;
}

bool KeyedTextDocument::Save(const std::string& path) const {
    if (platform::ExistsUnread(platform::ReadSmallFile(path).outcome)) return false;
    std::string text = header + "\r\n";
    for (const auto& [name, entries] : sections) {
        text += "[" + name + "]\r\n";
        for (const auto& [key, value] : entries) text += key + "=" + value + "\r\n";
    }
    return platform::ReplaceFileContent(path, text);
}

const std::string& KeyedTextDocument::Get(const std::string& section,
                                          const std::string& key) const {
    static const std::string EMPTY;
    const auto found = sections.find(section);
    if (found == sections.end()) return EMPTY;
    const auto entry = found->second.find(key);
    return entry == found->second.end() ? EMPTY : entry->second;
}

bool KeyedTextDocument::Set(const std::string& section, const std::string& key,
                            const std::string& value) {
    if (key.find('=') != std::string::npos || (!key.empty() && key.front() == '[')) return false;
    if (HasLineEnd(section) || HasLineEnd(key) || HasLineEnd(value)) return false;
    sections[section][key] = value;
    return true;
}
