// Rename journals from untrusted bytes (a journal edited by hand, written by
// another version, cut short by a full disk): the reader must take in any
// text, trust only whole entries, and give every entry a plan whose steps
// can be taken back.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "rename/RenameJournal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const JournalContents journal = ParseJournal(text);
    // A last line without its line end is never read as a line.
    if (journal.tornTail != (!text.empty() && text.back() != '\n')) __builtin_trap();
    for (const JournalRun& run : journal.runs) {
        run.ChangedSomething();
        for (const JournalEntry& entry : run.entries) {
            const RenamePlan back = entry.plan.Reversed();
            if (back.moves.size() != entry.plan.moves.size() ||
                back.Reversed().rewritesFirst != entry.plan.rewritesFirst) {
                __builtin_trap();
            }
        }
    }
    journal.RealRuns();
    return 0;
}
