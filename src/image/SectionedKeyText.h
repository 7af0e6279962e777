#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

// The sectioned key text of a CloneCD control file:
//
//   [Section]
//   Key=Value
//
// Section names and keys are folded to upper case (keys are not trimmed);
// a value in double or single quotes loses its quotes; a line without "=" is
// a key with an empty value; empty lines and lines whose first character
// other than space and tab is ';' are comments. An entry before the first
// section header makes the text invalid. A key that appears twice in a
// section keeps its first value; a repeated section header continues the
// section.
class SectionedKeyText {
public:
    explicit SectionedKeyText(std::string_view text);

    bool IsValid() const { return valid; }
    bool HasSection(std::string_view section) const;
    // The value, or the empty string when the section or key is missing.
    std::string Value(std::string_view section, std::string_view key) const;

private:
    using Entries = std::map<std::string, std::string, std::less<>>;
    std::map<std::string, Entries, std::less<>> sections;
    bool valid = false;
};
