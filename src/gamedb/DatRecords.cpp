#include "gamedb/DatRecords.h"

#include "platform/AsciiCase.h"
#include "platform/DecimalText.h"

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsLetter(char c) {
    return c >= 'A' && c <= 'Z';
}

// A game code as boot files give it: four letters, five digits.
constexpr std::size_t GAME_CODE_BYTES = 9;

// Whether `text` (upper case) begins with a game code.
bool IsGameCode(std::string_view text) {
    if (text.size() < GAME_CODE_BYTES) return false;
    for (std::size_t i = 0; i < GAME_CODE_BYTES; ++i) {
        if (i < 4 ? !IsLetter(text[i]) : !IsDigit(text[i])) return false;
    }
    return true;
}

}  // namespace

std::string DatIdentifier(std::string_view serial) {
    // "SLES-04107/GER": what follows the '/' names the edition, not the disc.
    std::string identifier;
    for (const char c : DatTrimmed(serial.substr(0, serial.find('/')))) {
        if (c == '-') continue;
        const char upper = platform::ToUpperAscii(c);
        if (!IsDigit(upper) && !IsLetter(upper)) return {};
        identifier += upper;
    }
    // A disc's boot file gives four letters and five digits; a serial that
    // goes on after such a code ("SLES-03137-T", "SLUS-01272GH") names a
    // printing of that disc.
    if (identifier.size() > GAME_CODE_BYTES && IsGameCode(identifier) &&
        !IsDigit(identifier[GAME_CODE_BYTES])) {
        identifier.resize(GAME_CODE_BYTES);
    }
    return identifier;
}

std::string DatReleaseDate(std::string_view text) {
    text = DatTrimmed(text);
    std::string_view year, month, day;
    if (text.size() == 8 && platform::DecimalNumber(text, 8)) {
        year = text.substr(0, 4);
        month = text.substr(4, 2);
        day = text.substr(6, 2);
    } else {
        const std::size_t first = text.find_first_of("-/.");
        if (first == std::string_view::npos) return {};
        const std::size_t second = text.find(text[first], first + 1);
        if (second == std::string_view::npos) return {};
        year = text.substr(0, first);
        month = text.substr(first + 1, second - first - 1);
        day = text.substr(second + 1);
    }
    const std::optional<std::uint64_t> monthNumber = platform::DecimalNumber(month, 2);
    const std::optional<std::uint64_t> dayNumber = platform::DecimalNumber(day, 2);
    if (year.size() != 4 || !platform::DecimalNumber(year, 4) || !monthNumber || !dayNumber) {
        return {};
    }
    if (*monthNumber < 1 || *monthNumber > 12 || *dayNumber < 1 || *dayNumber > 31) return {};
    std::string date(year);
    date += char('0' + *monthNumber / 10);
    date += char('0' + *monthNumber % 10);
    date += char('0' + *dayNumber / 10);
    date += char('0' + *dayNumber % 10);
    return date;
}

std::string DatabaseFieldText(std::string_view text) {
    std::string field(DatTrimmed(text));
    for (char& c : field) {
        if (c == ';') {
            c = ',';
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = ' ';
        }
    }
    return field;
}

std::vector<DiscRecord> DatGameRecords(const DatGame& game, std::string_view systemText) {
    std::vector<std::string_view> serials;
    std::string_view list = game.serial;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view serial = DatTrimmed(list.substr(0, comma));
        if (!serial.empty()) serials.push_back(serial);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    std::vector<DiscRecord> records;
    if (serials.size() > DAT_MAX_SERIALS_PER_GAME) return records;

    DiscRecord shared;
    shared[1] = DatabaseFieldText(game.name);
    shared[2] = DatabaseFieldText(game.region);
    shared[6] = DatReleaseDate(game.releaseDate);
    shared[7] = systemText;
    shared[8] = DatabaseFieldText(game.languages);
    for (const std::string_view serial : serials) {
        std::string identifier = DatIdentifier(serial);
        if (identifier.empty()) continue;
        DiscRecord& record = records.emplace_back(shared);
        record[0] = std::move(identifier);
        record[3] = DatabaseFieldText(serial);
    }
    return records;
}
