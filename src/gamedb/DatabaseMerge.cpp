#include "gamedb/DatabaseMerge.h"

GameDatabase MergeDatabases(std::string_view readFirst, std::string_view readSecond) {
    GameDatabase merged;
    ParseDatabaseFileText(readFirst, merged);
    ParseDatabaseFileText(readSecond, merged);
    return merged;
}

GameDatabase MergeDatabases(GameDatabase readFirst, GameDatabase readSecond) {
    GameDatabase merged = std::move(readFirst);
    merged.commentLines.insert(merged.commentLines.end(), readSecond.commentLines.begin(),
                               readSecond.commentLines.end());
    merged.idList.insert(merged.idList.end(), readSecond.idList.begin(), readSecond.idList.end());
    // Moves the records of identifiers the first lacks; the first's stay.
    merged.records.merge(readSecond.records);
    return merged;
}
