#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TextLines.h"

// Text lines kept one after the other in one buffer, each with its line end,
// so that writing a selection of neighbouring lines is one copy instead of
// one per line. The inventory writes its lists from such tables.
class LineTable {
public:
    void Add(std::string_view line) {
        platform::AppendLine(text, line);
        starts.push_back(text.size());
    }

    std::size_t Size() const { return starts.size() - 1; }

    // The line with its line end.
    std::string_view Line(std::size_t index) const {
        return std::string_view(text).substr(starts[index], starts[index + 1] - starts[index]);
    }

    std::string_view Text(std::size_t index) const {
        const std::string_view line = Line(index);
        return line.substr(0, line.size() - platform::LINE_END.size());
    }

    // The first line that does not come before `wanted`, for a table added in
    // the order `less` gives.
    template <typename Less>
    std::size_t LowerBound(std::string_view wanted, Less less) const {
        std::size_t low = 0;
        std::size_t high = Size();
        while (low < high) {
            const std::size_t middle = low + (high - low) / 2;
            if (less(Text(middle), wanted)) {
                low = middle + 1;
            } else {
                high = middle;
            }
        }
        return low;
    }

    // Appends the lines from `from` up to `to` whose mark is not zero, with
    // their line ends.
    void AppendMarked(std::string& out, std::size_t from, std::size_t to,
                      const std::vector<std::uint32_t>& marks) const;

private:
    std::string text;
    std::vector<std::size_t> starts{0};
};
