#include "platform/TextEdits.h"

#include "platform/Crc32.h"

namespace platform {

TextVersion TextVersion::Of(std::string_view text) {
    return {text.size(), Crc32Update(0, text.data(), text.size())};
}

std::optional<std::string> ApplyEdits(std::string_view text, const std::vector<TextEdit>& edits) {
    std::string edited;
    edited.reserve(text.size());
    std::size_t copied = 0;
    for (const TextEdit& edit : edits) {
        if (edit.offset < copied || edit.offset > text.size() ||
            text.substr(edit.offset, edit.from.size()) != edit.from) {
            return std::nullopt;
        }
        edited.append(text, copied, edit.offset - copied);
        edited += edit.to;
        copied = edit.offset + edit.from.size();
    }
    edited.append(text, copied);
    return edited;
}

std::vector<TextEdit> ReversedEdits(const std::vector<TextEdit>& edits) {
    std::vector<TextEdit> reversed;
    reversed.reserve(edits.size());
    // Each edit moves the ones after it by the change of its length.
    std::int64_t shift = 0;
    for (const TextEdit& edit : edits) {
        reversed.push_back({std::size_t(std::int64_t(edit.offset) + shift), edit.to, edit.from});
        shift += std::int64_t(edit.to.size()) - std::int64_t(edit.from.size());
    }
    return reversed;
}

}  // namespace platform
