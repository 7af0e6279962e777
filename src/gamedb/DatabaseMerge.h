#pragma once

#include <string_view>

#include "gamedb/GameDatabase.h"

// The merge of Add Record: every line of two database texts in one database,
// the text read first winning for identifiers that both hold, comment lines of
// the first before those of the second. Written back, the records come sorted
// by identifier.
GameDatabase MergeDatabases(std::string_view readFirst, std::string_view readSecond);

// The same merge of two databases already in memory (records from DAT files,
// for one). Both are taken by value: a caller done with them moves them in,
// and their records change hands instead of being copied.
GameDatabase MergeDatabases(GameDatabase readFirst, GameDatabase readSecond);
