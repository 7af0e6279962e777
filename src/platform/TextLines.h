#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Line-oriented text. Every text file the program writes ends each line with
// CR LF, also on Linux, because the files are shared with users of other
// systems. Reading accepts both: a line ends at LF, and one CR right before the
// LF is not part of the line. A last line without LF is a line too.
namespace platform {

inline constexpr std::string_view LINE_END = "\r\n";

// What ends a line: LF (one CR before it dropped), as the program reads its
// own and its users' files; or also a CR alone, for a database that must come
// back with every line it had, whatever system wrote it.
enum class LineEnds { LineFeed, AnyBreak };

// The one line splitter of the program. With a maximum length (descriptor
// files are read in lines of at most 511 characters), a longer line goes on
// as the next one. Hands out views into the text; allocates nothing.
class LineReader {
public:
    static constexpr std::size_t UNLIMITED = std::string_view::npos;

    explicit LineReader(std::string_view text, std::size_t maxLength = UNLIMITED,
                        LineEnds ends = LineEnds::LineFeed)
        : rest(text), maxLength(maxLength), ends(ends) {}

    // The next line, false after the last one.
    bool Next(std::string_view& line);

private:
    std::string_view rest;
    std::size_t maxLength;
    LineEnds ends;
};

// The lines of a text already in memory.
std::vector<std::string> SplitTextLines(std::string_view text);

// Appends `line` and the line end to `text`.
inline void AppendLine(std::string& text, std::string_view line) {
    text += line;
    text += LINE_END;
}

}  // namespace platform
