#include "image/SectionedKeyText.h"

#include "image/DescriptorText.h"
#include "platform/AsciiCase.h"
#include "platform/TextLines.h"

namespace {

// The text of a value: between its quotes when it starts with one (up to
// the closing quote or the line end), else as it stands.
std::string_view Unquoted(std::string_view value) {
    if (value.empty() || (value[0] != '"' && value[0] != '\'')) return value;
    const char quote = value[0];
    value.remove_prefix(1);
    return value.substr(0, value.find(quote));
}

}  // namespace

SectionedKeyText::SectionedKeyText(std::string_view text) {
    Entries* current = nullptr;
    platform::LineReader lines(text, DESCRIPTOR_LINE_LENGTH);
    std::string_view line;
    while (lines.Next(line)) {
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == ';') continue;
        if (line[first] == '[') {
            const std::string_view header = line.substr(first + 1);
            const std::string name = platform::ToUpperAscii(header.substr(0, header.find(']')));
            current = &sections[name];
            continue;
        }
        if (current == nullptr) return;
        const std::size_t equals = line.find('=');
        const std::string key = platform::ToUpperAscii(line.substr(0, equals));
        const std::string_view value = equals == std::string_view::npos
                                           ? std::string_view()
                                           : Unquoted(line.substr(equals + 1));
        current->emplace(key, std::string(value));
    }
    valid = true;
}

bool SectionedKeyText::HasSection(std::string_view section) const {
    return sections.find(platform::ToUpperAscii(section)) != sections.end();
}

std::string SectionedKeyText::Value(std::string_view section, std::string_view key) const {
    const auto foundSection = sections.find(platform::ToUpperAscii(section));
    if (foundSection == sections.end()) return std::string();
    const auto foundKey = foundSection->second.find(platform::ToUpperAscii(key));
    return foundKey == foundSection->second.end() ? std::string() : foundKey->second;
}
