#include "gamedb/DatFile.h"

#include <expat.h>

#include <optional>
#include <vector>

#include "image/DescriptorText.h"
#include "platform/AsciiCase.h"
#include "platform/ReadOnlyFile.h"

namespace {

constexpr std::string_view BLANKS = " \t\r\n\v\f";

bool IsBlank(char c) {
    return BLANKS.find(c) != std::string_view::npos;
}

// A value that the game keeps. A repeated serial adds to the list (one record
// per serial); for any other field the first value stays.
void Keep(std::string& field, std::string_view value, bool isSerial) {
    if (field.empty()) {
        field = value;
    } else if (isSerial && !value.empty()) {
        field += ", ";
        field += value;
    }
}

// The game field a key of the text format or a child element of the XML
// names, or nullptr for the many the import has no use for (description,
// rom, year, ...).
std::string* GameField(DatGame& game, std::string_view key) {
    using platform::EqualsIgnoreCase;
    if (EqualsIgnoreCase(key, "name")) return &game.name;
    if (EqualsIgnoreCase(key, "serial")) return &game.serial;
    if (EqualsIgnoreCase(key, "region")) return &game.region;
    if (EqualsIgnoreCase(key, "languages") || EqualsIgnoreCase(key, "language")) {
        return &game.languages;
    }
    if (EqualsIgnoreCase(key, "releasedate") || EqualsIgnoreCase(key, "date")) {
        return &game.releaseDate;
    }
    return nullptr;
}

// A word of the file as an error message shows it: short, and with control
// bytes (a terminal's escape sequences among them) as '?'.
std::string Shown(std::string_view word) {
    constexpr std::size_t SHOWN_BYTES = 40;
    std::string shown(word.substr(0, SHOWN_BYTES));
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    if (word.size() > SHOWN_BYTES) shown += "...";
    return "'" + shown + "'";
}

// The field of a file of the game that a key or attribute names, or nullptr
// for the ones nothing here uses (md5, status, ...).
std::string* RomField(DatRom& rom, std::string_view key) {
    using platform::EqualsIgnoreCase;
    if (EqualsIgnoreCase(key, "name")) return &rom.name;
    if (EqualsIgnoreCase(key, "size")) return &rom.size;
    if (EqualsIgnoreCase(key, "crc")) return &rom.crc;
    if (EqualsIgnoreCase(key, "sha1")) return &rom.sha1;
    return nullptr;
}

bool IsRomBlock(std::string_view name) {
    return platform::EqualsIgnoreCase(name, "rom");
}

bool IsGameBlock(std::string_view name) {
    return platform::EqualsIgnoreCase(name, "game") || platform::EqualsIgnoreCase(name, "machine");
}

// The text format's header is "clrmamepro ( ... )"; older lists open with
// "emulator ( ... )" instead.
bool IsHeaderBlock(std::string_view name, bool xml) {
    if (xml) return platform::EqualsIgnoreCase(name, "header");
    return platform::EqualsIgnoreCase(name, "clrmamepro") ||
           platform::EqualsIgnoreCase(name, "emulator");
}

// The release date of the text format comes in three keys; it is written as
// one date only when all three are there.
struct DateParts {
    std::string year, month, day;

    std::string* Part(std::string_view key) {
        if (platform::EqualsIgnoreCase(key, "releaseyear")) return &year;
        if (platform::EqualsIgnoreCase(key, "releasemonth")) return &month;
        if (platform::EqualsIgnoreCase(key, "releaseday")) return &day;
        return nullptr;
    }
    std::string Date() const {
        if (year.empty() || month.empty() || day.empty()) return {};
        return year + "-" + month + "-" + day;
    }
};

}  // namespace

std::string_view DatTrimmed(std::string_view value) {
    const std::size_t first = value.find_first_not_of(BLANKS);
    if (first == std::string_view::npos) return {};
    return value.substr(first, value.find_last_not_of(BLANKS) - first + 1);
}

bool DatFileBase::Fail(std::size_t line, const std::string& what) {
    if (error.empty()) error = "line " + std::to_string(line) + ": " + what;
    valid = false;
    return false;
}

void DatFileBase::Take(const DatGameSink& take, const DatGame& game) {
    ++games;
    take(game);
}

// ---- clrmamepro text ----

namespace {

// Splits the text into words, quoted strings and parentheses, piece by piece:
// a token may straddle two pieces, so the one being built is kept between
// them. A quoted string ends at the next '"' and may not run past its line (a
// stray quote would otherwise swallow the rest of the file).
class CmpTokenizer {
public:
    enum class Kind { Open, Close, Text };
    using TokenSink = std::function<bool(Kind, std::string_view, std::size_t line)>;

    explicit CmpTokenizer(const TokenSink& emit) : emit(emit) {}

    std::size_t line = 1;
    std::string fault;

    bool Feed(std::string_view piece) {
        for (const char c : piece) {
            if (c == '\0') return Failed("a NUL byte: this is no text DAT");
            switch (state) {
                case State::Quoted:
                    if (c == '"') {
                        state = State::Between;
                        if (!emit(Kind::Text, token, tokenLine)) return false;
                        continue;
                    }
                    if (c == '\n') return Failed("a quoted value runs past the end of its line");
                    if (!Append(c)) return false;
                    continue;
                case State::Word:
                    if (!IsBlank(c) && c != '(' && c != ')') {
                        if (!Append(c)) return false;
                        continue;
                    }
                    state = State::Between;
                    if (!emit(Kind::Text, token, tokenLine)) return false;
                    break;
                case State::Between:
                    break;
            }
            if (c == '\n') ++line;
            if (IsBlank(c)) continue;
            if (c == '(' || c == ')') {
                if (!emit(c == '(' ? Kind::Open : Kind::Close, {}, line)) return false;
            } else {
                token.clear();
                tokenLine = line;
                if (c == '"') {
                    state = State::Quoted;
                } else {
                    state = State::Word;
                    token += c;
                }
            }
        }
        return true;
    }

    bool Finish() {
        if (state == State::Quoted) return Failed("the file ends inside a quoted value");
        if (state == State::Word) {
            state = State::Between;
            return emit(Kind::Text, token, tokenLine);
        }
        return true;
    }

private:
    enum class State { Between, Word, Quoted };

    bool Append(char c) {
        if (token.size() >= DAT_MAX_VALUE_BYTES) return Failed("a value longer than 64 KiB");
        token += c;
        return true;
    }
    bool Failed(const char* what) {
        fault = what;
        return false;
    }

    const TokenSink& emit;
    State state = State::Between;
    std::string token;
    std::size_t tokenLine = 1;
};

}  // namespace

ClrMameProDatFile::ClrMameProDatFile(const DatPieces& pieces, const DatGameSink& take) {
    std::size_t depth = 0;
    std::string key;
    bool haveKey = false;
    bool inGame = false;
    bool inRom = false;
    DatGame game;
    DatRom rom;
    DateParts date;

    const CmpTokenizer::TokenSink onToken = [&](CmpTokenizer::Kind kind, std::string_view text,
                                                std::size_t line) {
        switch (kind) {
            case CmpTokenizer::Kind::Text:
                if (!haveKey) {
                    key = text;
                    haveKey = true;
                    return true;
                }
                haveKey = false;
                if (inGame && depth == 1) {
                    if (std::string* part = date.Part(key)) {
                        Keep(*part, text, false);
                    } else if (std::string* field = GameField(game, key)) {
                        Keep(*field, text, field == &game.serial);
                    }
                } else if (inRom && depth == 2) {
                    if (std::string* field = RomField(rom, key)) Keep(*field, text, false);
                }
                return true;
            case CmpTokenizer::Kind::Open:
                if (!haveKey) return Fail(line, "'(' without a name before it");
                if (depth >= DAT_MAX_DEPTH) return Fail(line, "blocks nested too deep");
                haveKey = false;
                if (depth == 0 && IsHeaderBlock(key, false)) header = true;
                if (depth == 0 && IsGameBlock(key)) {
                    inGame = true;
                    game = DatGame();
                    date = DateParts();
                } else if (inGame && depth == 1 && IsRomBlock(key)) {
                    if (game.roms.size() >= DAT_MAX_ROMS_PER_GAME) {
                        return Fail(line, "a game with more than 1024 files");
                    }
                    inRom = true;
                    rom = DatRom();
                }
                ++depth;
                return true;
            case CmpTokenizer::Kind::Close:
                if (haveKey) return Fail(line, Shown(key) + " has no value");
                if (depth == 0) return Fail(line, "')' without '('");
                if (--depth == 1 && inRom) {
                    inRom = false;
                    game.roms.push_back(std::move(rom));
                } else if (depth == 0 && inGame) {
                    inGame = false;
                    if (game.releaseDate.empty()) game.releaseDate = date.Date();
                    Take(take, game);
                }
                return true;
        }
        return true;
    };

    CmpTokenizer tokenizer(onToken);
    bool read = true;
    for (std::string_view piece = pieces(); !piece.empty(); piece = pieces()) {
        if (!(read = tokenizer.Feed(piece))) break;
    }
    if (read) read = tokenizer.Finish();
    if (!read) {
        // A fault of the structure is already recorded; one of the tokens is not.
        if (error.empty()) Fail(tokenizer.line, tokenizer.fault);
        return;
    }
    if (haveKey) {
        Fail(tokenizer.line, "the file ends after " + Shown(key) + " without its value");
    } else if (depth > 0) {
        Fail(tokenizer.line, "the file ends inside a block");
    } else {
        valid = true;
    }
}

// ---- Logiqx XML ----

namespace {

// What the expat callbacks work on.
struct XmlState {
    std::function<void(const DatGame&)> emit;
    bool header = false;
    // Stops the parser; expat may still deliver a callback or two, which
    // `stopped` turns away.
    std::function<void(const std::string&)> fail;
    bool stopped = false;
    std::size_t depth = 0;
    std::size_t gameDepth = 0;  // 0 outside a game
    DatGame game;
    std::string* capture = nullptr;  // the field the text of this element goes to
    bool captureIsSerial = false;
    std::string text;
};

const char* Attribute(const XML_Char** attributes, std::string_view name) {
    for (std::size_t i = 0; attributes[i] != nullptr && attributes[i + 1] != nullptr; i += 2) {
        if (name == attributes[i]) return attributes[i + 1];
    }
    return nullptr;
}

void XMLCALL StartElement(void* data, const XML_Char* name, const XML_Char** attributes) {
    XmlState& state = *static_cast<XmlState*>(data);
    if (state.stopped) return;
    if (++state.depth > DAT_MAX_DEPTH) return state.fail("elements nested too deep");
    if (state.gameDepth == 0) {
        // The header is a child of the <datafile> root.
        if (state.depth == 2 && IsHeaderBlock(name, true)) state.header = true;
        if (!IsGameBlock(name)) return;
        state.gameDepth = state.depth;
        state.game = DatGame();
        if (const char* gameName = Attribute(attributes, "name")) state.game.name = gameName;
        return;
    }
    if (state.depth != state.gameDepth + 1) return;
    if (IsRomBlock(name)) {
        // <rom name=".." size=".." crc=".." sha1=".."/>
        if (state.game.roms.size() >= DAT_MAX_ROMS_PER_GAME) {
            return state.fail("a game with more than 1024 files");
        }
        DatRom& rom = state.game.roms.emplace_back();
        for (std::size_t i = 0; attributes[i] != nullptr && attributes[i + 1] != nullptr; i += 2) {
            if (std::string* field = RomField(rom, attributes[i])) {
                Keep(*field, attributes[i + 1], false);
            }
        }
        return;
    }
    if (platform::EqualsIgnoreCase(name, "release")) {
        // <release name=".." region="EUR" language="En" date=".."/>
        for (const char* key : {"region", "language", "date"}) {
            const char* value = Attribute(attributes, key);
            if (value != nullptr) Keep(*GameField(state.game, key), value, false);
        }
        return;
    }
    state.capture = GameField(state.game, name);
    // The game's name is its attribute; a <name> child does not replace it.
    if (state.capture == &state.game.name) state.capture = nullptr;
    state.captureIsSerial = state.capture == &state.game.serial;
    state.text.clear();
}

void XMLCALL EndElement(void* data, const XML_Char*) {
    XmlState& state = *static_cast<XmlState*>(data);
    if (state.stopped) return;
    if (state.capture != nullptr && state.depth == state.gameDepth + 1) {
        Keep(*state.capture, DatTrimmed(state.text), state.captureIsSerial);
        state.capture = nullptr;
    }
    if (state.depth == state.gameDepth) {
        state.gameDepth = 0;
        state.emit(state.game);
    }
    --state.depth;
}

void XMLCALL CharacterData(void* data, const XML_Char* text, int length) {
    XmlState& state = *static_cast<XmlState*>(data);
    if (state.stopped || state.capture == nullptr || length <= 0) return;
    if (state.text.size() + std::size_t(length) > DAT_MAX_VALUE_BYTES) {
        return state.fail("a value longer than 64 KiB");
    }
    state.text.append(text, std::size_t(length));
}

// A DAT declares no entities; refusing them keeps entity expansion (and the
// memory it can take) out of the picture altogether.
void XMLCALL EntityDeclaration(void* data, const XML_Char*, int, const XML_Char*, int,
                               const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*) {
    static_cast<XmlState*>(data)->fail("the file declares an entity");
}

// Expat takes a length as int; pieces from memory may be longer.
constexpr std::size_t XML_FEED_BYTES = 1 << 20;

}  // namespace

LogiqxDatFile::LogiqxDatFile(const DatPieces& pieces, const DatGameSink& take) {
    XML_Parser parser = XML_ParserCreate(nullptr);
    if (parser == nullptr) {
        Fail(1, "out of memory");
        return;
    }
    XmlState state;
    state.emit = [&](const DatGame& game) { Take(take, game); };
    state.fail = [&](const std::string& what) {
        Fail(XML_GetCurrentLineNumber(parser), what);
        state.stopped = true;
        XML_StopParser(parser, XML_FALSE);
    };
    XML_SetUserData(parser, &state);
    XML_SetElementHandler(parser, StartElement, EndElement);
    XML_SetCharacterDataHandler(parser, CharacterData);
    XML_SetEntityDeclHandler(parser, EntityDeclaration);

    auto feed = [&](std::string_view bytes, bool last) {
        if (XML_Parse(parser, bytes.data(), int(bytes.size()), last) == XML_STATUS_OK) return true;
        Fail(XML_GetCurrentLineNumber(parser), XML_ErrorString(XML_GetErrorCode(parser)));
        return false;
    };
    bool fed = true;
    for (std::string_view piece = pieces(); fed && !piece.empty();) {
        const std::string_view part = piece.substr(0, XML_FEED_BYTES);
        piece.remove_prefix(part.size());
        fed = feed(part, false);
        if (piece.empty() && fed) piece = pieces();
    }
    if (fed && feed({}, true)) valid = true;
    header = state.header;
    XML_ParserFree(parser);
}

// ---- Choosing the format, reading files ----

DatReading ReadDat(const DatPieces& pieces, const DatGameSink& take) {
    // Blanks and a UTF-8 byte-order mark before the first byte that counts are
    // dropped: expat would refuse an XML declaration after them. The mark may
    // straddle two pieces.
    std::string first;
    bool markChecked = false;
    for (std::string_view piece = pieces(); !piece.empty(); piece = pieces()) {
        first += piece;
        if (!markChecked) {
            if (first.size() < BYTE_ORDER_MARK.size() && BYTE_ORDER_MARK.starts_with(first)) {
                continue;
            }
            if (first.starts_with(BYTE_ORDER_MARK)) first.erase(0, BYTE_ORDER_MARK.size());
            markChecked = true;
        }
        const std::size_t start = first.find_first_not_of(BLANKS);
        if (start != std::string::npos) {
            first.erase(0, start);
            break;
        }
        first.clear();
    }
    bool firstTaken = false;
    const DatPieces rest = [&]() -> std::string_view {
        if (!firstTaken) {
            firstTaken = true;
            return first;
        }
        return pieces();
    };
    const bool isXml = first.starts_with('<');
    DatReading reading;
    reading.opened = true;
    auto report = [&reading](const DatFileBase& file) {
        reading.valid = file.valid;
        reading.games = file.games;
        reading.header = file.header;
        reading.error = file.error;
    };
    if (isXml) {
        report(LogiqxDatFile(rest, take));
    } else {
        report(ClrMameProDatFile(rest, take));
    }
    return reading;
}

DatReading ReadDatFile(const std::string& path, const DatGameSink& take) {
    DatReading refused;
    // Through the file layer: a FIFO or device named like a DAT is refused,
    // never waited on.
    const platform::ReadOnlyFile file(path);
    if (!file.IsOpen()) {
        refused.error = file.Status() == platform::FileStatus::NotRegular ? "is no regular file"
                                                                          : "cannot be opened";
        return refused;
    }
    file.AdviseSequential();
    std::vector<char> buffer(std::size_t(1) << 16);
    std::uint64_t offset = 0;
    bool readFailed = false;
    const DatPieces pieces = [&]() -> std::string_view {
        if (readFailed) return {};
        const std::optional<std::size_t> got = file.ReadAt(buffer.data(), buffer.size(), offset);
        if (!got) {
            readFailed = true;
            return {};
        }
        offset += *got;
        return std::string_view(buffer.data(), *got);
    };
    DatReading reading = ReadDat(pieces, take);
    if (readFailed) {
        reading.opened = false;
        reading.valid = false;
        reading.error = "cannot be read";
    }
    return reading;
}
