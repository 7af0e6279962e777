// The rewrite of a cue sheet from untrusted bytes: each FILE command is given
// a new name (with and without blanks, with a folder part or not), and the
// edits, when the sheet allows them, must read back as exactly those names
// and take the sheet back byte for byte.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "image/CueSheet.h"
#include "platform/TextEdits.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const CueSheet sheet(text);
    std::map<std::size_t, std::string> newNames;
    for (std::size_t i = 0; i < sheet.Files().size(); ++i) {
        // The first byte chooses which files are renamed and how.
        if ((data[0] >> (i % 8) & 1) == 0) continue;
        const std::string leaf = (data[0] & 0x80) != 0
                                     ? "New Name (Track " + std::to_string(i + 1) + ").bin"
                                     : "New.bin";
        newNames[i] =
            std::string(sheet.Files()[i].name.substr(
                0, sheet.Files()[i].name.size() - CueFileLeaf(sheet.Files()[i].name).size())) +
            leaf;
    }
    const auto edits = sheet.RenameFiles(newNames);
    if (!edits) return 0;
    const auto renamed = platform::ApplyEdits(text, *edits);
    if (!renamed) __builtin_trap();
    const CueSheet check(*renamed);
    for (const auto& [index, name] : newNames) {
        if (index >= check.Files().size() || check.Files()[index].name != name) __builtin_trap();
    }
    const auto back = platform::ApplyEdits(*renamed, platform::ReversedEdits(*edits));
    if (!back || *back != text) __builtin_trap();
    return 0;
}
