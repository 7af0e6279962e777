// DAT files from untrusted bytes, in both formats (the first byte that is not
// blank chooses). Each input is read twice, whole and in pieces of three
// bytes, and both readings must agree: a value, an entity or a UTF-8
// sequence split between two pieces must not change what is read. The games
// then go through the mapping to database records.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "gamedb/DatFile.h"
#include "gamedb/DatRecords.h"

namespace {

struct Reading {
    bool valid = false;
    std::vector<std::string> games;
};

Reading Read(std::string_view text, std::size_t pieceSize) {
    Reading reading;
    reading.valid =
        ReadDat(
            [&]() {
                const std::string_view piece = text.substr(0, pieceSize);
                text.remove_prefix(piece.size());
                return piece;
            },
            [&](const DatGame& game) {
                std::string joined;
                for (const DiscRecord& record : DatGameRecords(game, "PS2")) {
                    joined += JoinDatabaseLine(record);
                }
                for (const DatRom& rom : game.roms) {
                    joined += rom.name + '\n' + rom.size + '\n' + rom.crc + '\n' + rom.sha1 + '\n';
                }
                reading.games.push_back(game.name + '\n' + game.serial + '\n' + game.region + '\n' +
                                        game.languages + '\n' + game.releaseDate + '\n' + joined);
            })
            .valid;
    return reading;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Reading whole = Read(text, text.size() + 1);
    const Reading pieces = Read(text, 3);
    if (whole.valid != pieces.valid || whole.games != pieces.games) std::abort();
    return 0;
}
