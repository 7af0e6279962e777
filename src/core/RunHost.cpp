#include "core/RunHost.h"

// Out of line, so the class has one home for its virtual table.
RunHost::~RunHost() = default;

std::string FillPlaceholders(std::string_view text,
                             std::initializer_list<std::string_view> values) {
    std::string filled;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t number =
            i + 1 < text.size() && text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9'
                ? std::size_t(text[i + 1] - '0')
                : 0;
        if (number == 0 || number > values.size()) {
            filled += text[i];
            continue;
        }
        filled += *(values.begin() + (number - 1));
        ++i;
    }
    return filled;
}
