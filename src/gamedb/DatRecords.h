#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "gamedb/DatFile.h"
#include "gamedb/GameDatabase.h"

// How a game of a DAT becomes database records: one record per disc serial,
// keyed by the game code the disc carries (the serial without '-', upper
// case, without the printing's suffix), so the rename run finds it. Fields: 0 identifier, 1 the
// game's name as the DAT writes it (region and language groups included), 2 region, 3 the serial as
// written, 6 release date YYYYMMDD, 7 system, 8 languages.

// A game that lists more serials than this is no single game: it gives no
// record, so one damaged entry cannot multiply its name into thousands.
inline constexpr std::size_t DAT_MAX_SERIALS_PER_GAME = 16;

// The identifier of one serial: blanks around it, a part after '/' and every
// '-' dropped, letters upper-cased; a serial that begins with a game code of
// four letters and five digits and goes on with letters gives that code
// ("SLES-03137-T", "SLUS-01272GH", "SLES-04107/GER" give SLES03137, SLUS01272,
// SLES04107). Empty when what remains is not letters and digits only: such a
// text is no game code a disc carries, and the database reader would split it
// into pieces.
std::string DatIdentifier(std::string_view serial);

// "1997-09-07", "1997/9/7", "1997.09.07" or "19970907" as "19970907"; empty
// for anything else, an impossible month or day included.
std::string DatReleaseDate(std::string_view text);

// A value made fit for a database field: blanks at both ends dropped, ';'
// (which would end the field early) written as ',', control characters
// (which would break the line) as blanks.
std::string DatabaseFieldText(std::string_view text);

// The records of one game, in the order its serials are listed; none when it
// has no usable serial.
std::vector<DiscRecord> DatGameRecords(const DatGame& game, std::string_view systemText);
