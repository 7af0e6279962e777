// Have-identifier files from untrusted bytes (edited by hand, another
// version's, damaged): every line is an identifier the lists are built from.
// The run's inventory must write byte for byte what a write from scratch
// writes, for any identifiers and any database.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "gamedb/GameDatabase.h"
#include "naming/HaveMissLists.h"
#include "platform/ReadOnlyFile.h"

namespace {

// The lists are written to the current folder: a folder of the fuzzer's
// own, entered for each input only, since the fuzzer reads and writes its
// corpus by paths relative to where it was started.
class InOwnFolder {
public:
    InOwnFolder() : started(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (started < 0 || fchdir(Folder()) != 0) std::abort();
    }
    ~InOwnFolder() {
        if (fchdir(started) != 0) std::abort();
        close(started);
    }
    InOwnFolder(const InOwnFolder&) = delete;
    InOwnFolder& operator=(const InOwnFolder&) = delete;

private:
    static int Folder() {
        static const int folder = [] {
            char path[] = "/tmp/fuzz-haveid-XXXXXX";
            return mkdtemp(path) != nullptr ? open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
        }();
        return folder;
    }
    const int started;
};

std::string FileText(const std::string& path) {
    return platform::ReadSmallFile(path).text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const InOwnFolder inOwnFolder;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // The have file, then after a NUL the database.
    const std::size_t split = input.find('\0');
    HaveSet haveIds;
    AddHaveIds(input.substr(0, split), haveIds);
    GameDatabase database;
    if (split != std::string_view::npos)
        ParseDatabaseText(input.substr(split + 1), "PS2", database);

    HaveMissInventory inventory("PS2", database, "%n [%i]", haveIds);
    if (!inventory.Finish()) return 0;
    const std::string have = FileText(HaveListFileName("PS2"));
    const std::string miss = FileText(MissListFileName("PS2"));
    const std::string ids = FileText(HaveIdFileName("PS2"));
    if (!WriteHaveMissLists("PS2", haveIds, database, "%n [%i]")) return 0;
    if (FileText(HaveListFileName("PS2")) != have || FileText(MissListFileName("PS2")) != miss ||
        FileText(HaveIdFileName("PS2")) != ids) {
        __builtin_trap();
    }
    return 0;
}
