// Game database files from untrusted bytes, as the rename run reads them: the
// lines of one system, each identifier of field 0 a record. The first input
// line is the system text the run filters by; the rest is the file.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "gamedb/GameDatabase.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t lineEnd = input.find('\n');
    const std::string_view systemText = input.substr(0, lineEnd);
    const std::string_view text =
        lineEnd == std::string_view::npos ? std::string_view() : input.substr(lineEnd + 1);

    GameDatabase database;
    ParseDatabaseText(text, systemText, database);
    for (const std::string& identifier : database.idList) {
        if (const std::optional<DiscRecord> record = FindDiscRecord(database, identifier)) {
            JoinDatabaseLine(*record);
        }
    }
    return 0;
}
