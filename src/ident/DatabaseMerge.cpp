#include "ident/DatabaseMerge.h"

GameDatabase MergeDatabases(std::string_view readFirst, std::string_view readSecond) {
    GameDatabase merged;
    ParseDatabaseFileText(readFirst, merged);
    ParseDatabaseFileText(readSecond, merged);
    return merged;
}
