#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Line-oriented text files. Every text file the program writes ends each line
// with CR LF, also on Linux, because the files are shared with users of other
// systems. Reading accepts both: a line ends at LF, and one CR right before the
// LF is not part of the line. A last line without LF is a line too.
namespace platform {

inline constexpr std::string_view LINE_END = "\r\n";

// Calls `take` with each line of the file in order, streaming, so a huge file
// never sits in memory whole. False when the file cannot be opened; a read
// error ends the lines early.
bool ReadTextLines(const std::string& path, const std::function<void(std::string_view)>& take);

// The lines of a text already in memory, by the same rule.
std::vector<std::string> SplitTextLines(std::string_view text);

// Appends `line` and the line end to `text`.
inline void AppendLine(std::string& text, std::string_view line) {
    text += line;
    text += LINE_END;
}

}  // namespace platform
