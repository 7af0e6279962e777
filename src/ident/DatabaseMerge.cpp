#include "ident/DatabaseMerge.h"

GameDatabase MergeDatabases(const std::string& readFirst, const std::string& readSecond) {
    GameDatabase merged;
    ReadDatabaseFile(readFirst, merged);
    ReadDatabaseFile(readSecond, merged);
    return merged;
}
