#pragma once

#include <map>
#include <string>
#include <string_view>

// The text format of settings, presets and language files: a header line
// naming the kind of file, then "[section]" lines each followed by
// "key=value" lines. Names and values are kept byte for byte: no trimming, no
// case folding, no escapes.
class KeyedTextDocument {
public:
    using Section = std::map<std::string, std::string>;

    explicit KeyedTextDocument(std::string header) : header(std::move(header)) {}

    // Adds the entries of a file whose first line is exactly the header;
    // false (and nothing added) for a missing, unreadable or foreign file.
    bool Load(const std::string& path);
    // The same for a file's text already in memory.
    bool LoadText(std::string_view text);

    // Writes the whole document (through a temporary file and a rename, so an
    // interrupted save never leaves a truncated file); false when it could
    // not be written. A file that is there but cannot be read (permissions,
    // a FIFO, a read error) is never replaced: what it holds was never
    // loaded, and a save would lose it.
    bool Save(const std::string& path) const;

    // The value, or the empty text when the section or key is absent.
    const std::string& Get(const std::string& section, const std::string& key) const;

    // Creates or replaces an entry. Refuses (false, nothing stored) what would
    // not read back as stored: a key holding '=' or starting with '[', or a
    // line end in a section, key or value.
    bool Set(const std::string& section, const std::string& key, const std::string& value);

    const std::string& Header() const { return header; }
    const std::map<std::string, Section>& Sections() const { return sections; }

private:
    std::string header;
    std::map<std::string, Section> sections;
};
