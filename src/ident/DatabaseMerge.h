#pragma once

#include <string>

#include "ident/GameDatabase.h"

// The merge of Add Record: every line of both database files in one database,
// the file read first winning for identifiers that both hold, comment lines of
// the first file before those of the second. Written back, the records come
// sorted by identifier.
GameDatabase MergeDatabases(const std::string& readFirst, const std::string& readSecond);

// The same merge of two databases already in memory (records from DAT files,
// for one). Both are taken by value: a caller done with them moves them in,
// and their records change hands instead of being copied.
GameDatabase MergeDatabases(GameDatabase readFirst, GameDatabase readSecond);
