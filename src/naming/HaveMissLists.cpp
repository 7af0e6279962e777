#include "naming/HaveMissLists.h"

#include <algorithm>
#include <functional>
#include <numeric>

#include "platform/AsciiCase.h"
#include "platform/FileOps.h"
#include "platform/RebuildableFile.h"
#include "platform/TextLines.h"

namespace {

// The lists show names in half width whatever the rename formula's flags are.
FormulaSettings ListFormulaSettings(const std::string& listFormula) {
    FormulaSettings settings;
    settings.formula = listFormula;
    settings.fullWidthSpecial = true;
    settings.forFileNames = false;
    return settings;
}

// The line of an identifier the database does not hold.
std::string UnknownIdLine(const std::string& identifier, const FormulaSettings& settings) {
    DiscRecord record;
    record[0] = identifier;
    return ExpandFormula(record, settings);
}

std::string ListLineOf(const GameDatabase& database, const std::string& identifier,
                       const FormulaSettings& settings) {
    const std::optional<DiscRecord> record = FindDiscRecord(database, identifier);
    return record ? ExpandFormula(*record, settings) : UnknownIdLine(identifier, settings);
}

// Each list opens with a count line and an empty line.
void AppendListHead(std::string& text, const std::string& countLine) {
    platform::AppendLine(text, countLine);
    platform::AppendLine(text, "");
}

std::string HaveCountLine(std::size_t databaseCount, std::size_t haveCount) {
    return "Number of Discs in database:" + std::to_string(databaseCount) +
           " You have:" + std::to_string(haveCount);
}

std::string MissCountLine(std::size_t databaseCount, std::size_t missingCount) {
    return "Number of Discs of database:" + std::to_string(databaseCount) +
           " You are missing:" + std::to_string(missingCount);
}

// Whether each of the three files was written: identifiers, have list, miss list.
using WrittenFiles = std::array<bool, 3>;

bool AllWritten(const WrittenFiles& written) {
    return written[0] && written[1] && written[2];
}

// Writes all three files even when one fails. The identifiers are the
// inventory itself; the two lists are rebuilt from them on every run.
WrittenFiles ReplaceListFiles(std::string_view systemText, const std::string& haveIdText,
                              platform::RebuildableFile& haveList, const std::string& haveListText,
                              platform::RebuildableFile& missList,
                              const std::string& missListText) {
    return {platform::ReplaceFileContent(HaveIdFileName(systemText), haveIdText),
            haveList.Replace(haveListText), missList.Replace(missListText)};
}

// Appends the marked lines of `table` merged with `extras`, both in the order
// `less` gives; an extra text equal to a marked line is written once.
template <typename Extras, typename Less>
void AppendMerged(std::string& out, const LineTable& table, const std::vector<std::uint32_t>& marks,
                  const Extras& extras, Less less) {
    std::size_t done = 0;
    for (const std::string& extra : extras) {
        const std::size_t position = table.LowerBound(extra, less);
        table.AppendMarked(out, done, position, marks);
        done = position;
        const bool alsoInTable =
            position < table.Size() && marks[position] != 0 && table.Text(position) == extra;
        if (!alsoInTable) platform::AppendLine(out, extra);
    }
    table.AppendMarked(out, done, table.Size(), marks);
}

}  // namespace

std::string HaveIdFileName(std::string_view systemText) {
    return "HaveID (" + std::string(systemText) + ").dat";
}

std::string HaveListFileName(std::string_view systemText) {
    return "Have list (" + std::string(systemText) + ").txt";
}

std::string MissListFileName(std::string_view systemText) {
    return "Miss list (" + std::string(systemText) + ").txt";
}

bool ListOrderLess::operator()(std::string_view a, std::string_view b) const {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(platform::ToLowerAscii(a[i]));
        const auto y = static_cast<unsigned char>(platform::ToLowerAscii(b[i]));
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

platform::SmallFile::Outcome LoadHaveIds(std::string_view systemText, HaveSet& haveIds) {
    const platform::SmallFile file = platform::ReadSmallFile(HaveIdFileName(systemText));
    if (file.IsRead()) AddHaveIds(file.text, haveIds);
    return file.outcome;
}

void AddHaveIds(std::string_view text, HaveSet& haveIds) {
    platform::LineReader lines(text);
    std::string_view line;
    while (lines.Next(line)) haveIds.emplace(line);
}

bool WriteHaveMissLists(std::string_view systemText, const HaveSet& haveIds,
                        const GameDatabase& database, const std::string& listFormula) {
    const FormulaSettings settings = ListFormulaSettings(listFormula);

    std::string haveIdText;
    std::set<std::string, ListOrderLess> haveLines;
    for (const std::string& identifier : haveIds) {
        haveLines.insert(ListLineOf(database, identifier, settings));
        platform::AppendLine(haveIdText, identifier);
    }

    // The missing games: every identifier of the database not held. Each
    // counts once, also when the database lists it several times; a held
    // identifier is never missing, however often it is listed. Unknown held
    // identifiers do not make fewer games missing.
    std::size_t missingCount = 0;
    std::set<std::string, ListOrderLess> missLines;
    for (const auto& [identifier, line] : database.records) {
        if (haveIds.contains(identifier)) continue;
        missLines.insert(ExpandFormula(RecordOf(identifier, *line), settings));
        ++missingCount;
    }

    const std::size_t databaseCount = database.records.size();
    std::string haveListText;
    AppendListHead(haveListText, HaveCountLine(databaseCount, haveIds.size()));
    for (const std::string& line : haveLines) platform::AppendLine(haveListText, line);
    std::string missListText;
    AppendListHead(missListText, MissCountLine(databaseCount, missingCount));
    for (const std::string& line : missLines) platform::AppendLine(missListText, line);

    platform::RebuildableFile haveList(HaveListFileName(systemText));
    platform::RebuildableFile missList(MissListFileName(systemText));
    return AllWritten(
        ReplaceListFiles(systemText, haveIdText, haveList, haveListText, missList, missListText));
}

HaveMissInventory::HaveMissInventory(std::string_view systemText, const GameDatabase& database,
                                     const std::string& listFormula, const HaveSet& loadedIds)
    : systemText(systemText),
      listSettings(ListFormulaSettings(listFormula)),
      haveIdFile(HaveIdFileName(systemText)),
      haveListFile(HaveListFileName(systemText)),
      missListFile(MissListFileName(systemText)) {
    std::vector<std::string> gameLines;
    gameLines.reserve(database.records.size());
    for (const auto& [identifier, line] : database.records) {
        identifiers.Add(identifier);
        gameLines.push_back(ExpandFormula(RecordOf(identifier, *line), listSettings));
    }

    // Number the distinct lines in list order; equal lines end up side by side.
    std::vector<std::uint32_t> order(gameLines.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return ListOrderLess()(gameLines[a], gameLines[b]);
    });
    lineOfGame.resize(gameLines.size());
    const std::string* previous = nullptr;
    for (const std::uint32_t game : order) {
        if (previous == nullptr || *previous != gameLines[game]) {
            lines.Add(gameLines[game]);
            previous = &gameLines[game];
        }
        lineOfGame[game] = static_cast<std::uint32_t>(lines.Size() - 1);
    }

    held.assign(gameLines.size(), 0);
    heldPerLine.assign(lines.Size(), 0);
    missingPerLine.assign(lines.Size(), 0);
    for (const std::uint32_t line : lineOfGame) ++missingPerLine[line];
    for (const std::string& identifier : loadedIds) AddHaveId(identifier);
    changed = true;
}

void HaveMissInventory::AddHaveId(const std::string& identifier) {
    const std::size_t game = identifiers.LowerBound(identifier, std::less<std::string_view>());
    if (game == identifiers.Size() || identifiers.Text(game) != identifier) {
        if (unknownIds.insert(identifier).second) {
            unknownLines.insert(UnknownIdLine(identifier, listSettings));
            changed = true;
        }
        return;
    }
    if (held[game] != 0) return;
    held[game] = 1;
    ++heldCount;
    ++heldPerLine[lineOfGame[game]];
    --missingPerLine[lineOfGame[game]];
    changed = true;
}

void HaveMissInventory::BuildTexts() {
    const std::size_t databaseCount = identifiers.Size();
    haveIdText.clear();
    AppendMerged(haveIdText, identifiers, held, unknownIds, std::less<std::string_view>());
    haveListText.clear();
    AppendListHead(haveListText, HaveCountLine(databaseCount, heldCount + unknownIds.size()));
    AppendMerged(haveListText, lines, heldPerLine, unknownLines, ListOrderLess());
    missListText.clear();
    // Unknown held identifiers do not make fewer games of the database missing.
    AppendListHead(missListText, MissCountLine(databaseCount, databaseCount - heldCount));
    lines.AppendMarked(missListText, 0, lines.Size(), missingPerLine);
}

bool HaveMissInventory::Write() {
    BuildTexts();
    written = {haveIdFile.Replace(haveIdText), haveListFile.Replace(haveListText),
               missListFile.Replace(missListText)};
    changed = !AllWritten(written);
    return !changed;
}

bool HaveMissInventory::Finish() {
    BuildTexts();
    written = ReplaceListFiles(systemText, haveIdText, haveListFile, haveListText, missListFile,
                               missListText);
    changed = !AllWritten(written);
    return !changed;
}

std::vector<std::string> HaveMissInventory::UnwrittenFiles() const {
    const std::string names[] = {HaveIdFileName(systemText), HaveListFileName(systemText),
                                 MissListFileName(systemText)};
    std::vector<std::string> unwritten;
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (!written[i]) unwritten.push_back(names[i]);
    }
    return unwritten;
}
