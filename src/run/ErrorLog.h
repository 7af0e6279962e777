#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "naming/KelOutputText.h"

// The rename run's error log: one line per disc that could not be renamed,
// appended at the end of the run under a block that asks the user to send the
// log to the project.

inline constexpr const char* ERROR_LOG_FILE = "error_log.txt";
inline constexpr const char* SUPPORT_EMAIL = "support@orvane.org";
inline constexpr const char* FORUM_ADDRESS = "https://forum.orvane.org";

// The line for a disc whose handler found no identifier.
std::string FailedToFindIdLine(std::string_view basePath);

// The line for a disc none of whose identifiers is in the database;
// `identifier` is the last one tried (empty when the disc gave none).
std::string NotInDatabaseLine(std::string_view identifier, std::string_view basePath);

// The line after "Failed to find ID" that says why the disc's image could not
// be read, when that is known (a descriptor that was refused, and where).
std::string ImageProblemLine(std::string_view problem);

// The line for a disc that was identified and found but could not be
// renamed: the disc, the name it was to get and why not.
std::string RenameFailedLine(std::string_view basePath, std::string_view newName,
                             std::string_view reason);

// The list run's line for a disc whose path cannot stand in a database line
// (it holds the field separator ';').
std::string NotListedLine(std::string_view basePath);

// Adds the request block and then the error lines to the log, or nothing when
// there are no error lines (the log's Write then leaves the file as it is).
void AddErrorLogBlock(KelOutputText& log, const std::vector<std::string>& errorLines);
