#include "naming/LineTable.h"

void LineTable::AppendMarked(std::string& out, std::size_t from, std::size_t to,
                             const std::vector<std::uint32_t>& marks) const {
    std::size_t index = from;
    while (index < to) {
        if (marks[index] == 0) {
            ++index;
            continue;
        }
        const std::size_t runStart = index;
        while (index < to && marks[index] != 0) ++index;
        out.append(text, starts[runStart], starts[index] - starts[runStart]);
    }
}
