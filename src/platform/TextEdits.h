#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Byte-exact changes of a small text file (a cue sheet, a playlist): each
// replaces the bytes at an offset, so a rewrite and its taking back give the
// file back byte for byte, whatever else it holds.
namespace platform {

struct TextEdit {
    std::size_t offset = 0;  // into the text the edit is made on
    std::string from;        // the bytes there
    std::string to;          // what they become
};

// What a text file held or holds: its size and CRC-32, to tell the version
// before a rewrite from the version after it (and from any other).
struct TextVersion {
    std::uint64_t size = 0;
    std::uint32_t crc = 0;

    static TextVersion Of(std::string_view text);
    bool operator==(const TextVersion&) const = default;
};

// The text with every edit made (offsets into `text`, increasing, not
// overlapping); nothing when an edit's bytes are not where it says.
std::optional<std::string> ApplyEdits(std::string_view text, const std::vector<TextEdit>& edits);

// The edits that take the result of `edits` back to the text they were made on.
std::vector<TextEdit> ReversedEdits(const std::vector<TextEdit>& edits);

}  // namespace platform
