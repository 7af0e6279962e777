// Settings, preset and language files from untrusted bytes. The first byte
// picks the kind of file (so seeds of all three reach the entries past their
// header line), the rest is the file. Whatever loads and is accepted back by
// Set must survive a save and a load unchanged.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "config/KeyedTextDocument.h"
#include "config/Language.h"
#include "config/WindowModel.h"

namespace {

// Where the saved documents go: a private folder, in memory where the
// machine has /dev/shm, removed with the process.
struct SaveFolder {
    SaveFolder() {
        char pattern[] = "/dev/shm/orvane-fuzz-XXXXXX";
        char fallback[] = "/tmp/orvane-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made == nullptr) made = mkdtemp(fallback);
        if (made == nullptr) abort();
        folder = made;
        file = folder + "/saved.ini";
    }
    ~SaveFolder() {
        unlink(file.c_str());
        rmdir(folder.c_str());
    }
    std::string folder;
    std::string file;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const SaveFolder saved;
    if (size == 0) return 0;
    static const char* const HEADERS[] = {SETTINGS_HEADER, PRESET_HEADER, LANGUAGE_HEADER};
    const char* header = HEADERS[data[0] % 3];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    KeyedTextDocument loaded(header);
    if (!loaded.LoadText(text)) return 0;

    KeyedTextDocument kept(header);
    for (const auto& [section, entries] : loaded.Sections()) {
        for (const auto& [key, value] : entries) kept.Set(section, key, value);
    }
    if (!kept.Save(saved.file)) abort();
    KeyedTextDocument reread(header);
    if (!reread.Load(saved.file) || reread.Sections() != kept.Sections()) abort();
    return 0;
}
