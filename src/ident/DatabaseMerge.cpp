#include "ident/DatabaseMerge.h"

GameDatabase MergeDatabases(const std::string& readFirst, const std::string& readSecond) {
    GameDatabase merged;
    ReadDatabaseFile(readFirst, merged);
    ReadDatabaseFile(readSecond, merged);
    return merged;
}

GameDatabase MergeDatabases(const GameDatabase& readFirst, const GameDatabase& readSecond) {
    GameDatabase merged = readFirst;
    merged.commentLines.insert(merged.commentLines.end(), readSecond.commentLines.begin(),
                               readSecond.commentLines.end());
    for (const auto& [identifier, record] : readSecond.records) AddDiscRecord(merged, record);
    return merged;
}
