// Playlists from untrusted bytes: the lines naming the renamed discs (beside
// the playlist or in a folder below it, '/' or '\' between folders, any
// letter case) are rewritten, and taking the rewrite back gives the playlist
// back byte for byte.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/TextEdits.h"
#include "rename/Rewrites.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<PlannedMove> moves = {
        {"games/Saga (Disc 1).cue", "games/Saga Disc1.cue"},
        {"games/discs/Saga (Disc 2).chd", "games/discs/Saga Disc2.chd"},
        {"games/same.iso", "games/same.iso"},
    };
    const auto rewrite = PlaylistRewrite("games/Saga.m3u", text, moves);
    if (!rewrite) return 0;
    const auto renamed = platform::ApplyEdits(text, rewrite->edits);
    if (!renamed || platform::TextVersion::Of(*renamed) != rewrite->after ||
        platform::TextVersion::Of(text) != rewrite->before) {
        __builtin_trap();
    }
    const PlannedRewrite back = rewrite->Reversed();
    const auto restored = platform::ApplyEdits(*renamed, back.edits);
    if (!restored || *restored != text) __builtin_trap();
    return 0;
}
