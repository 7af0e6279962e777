#include "ident/DatabaseMerge.h"

GameDatabase MergeDatabases(const std::string& readFirst, const std::string& readSecond) {
    GameDatabase merged;
    ReadDatabaseFile(readFirst, merged);
    ReadDatabaseFile(readSecond, merged);
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
