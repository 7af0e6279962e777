#include "run/ErrorLog.h"

namespace {

const std::string ASTERISKS(48, '*');

}  // namespace

std::string FailedToFindIdLine(std::string_view basePath) {
    return "Failed to find ID - " + std::string(basePath);
}

std::string ImageProblemLine(std::string_view problem) {
    return "    " + std::string(problem);
}

std::string NotInDatabaseLine(std::string_view identifier, std::string_view basePath) {
    return "ID : " + std::string(identifier) + " - Not in Database - " + std::string(basePath);
}

std::string RenameFailedLine(std::string_view basePath, std::string_view newName,
                             std::string_view reason) {
    return "Not renamed - " + std::string(basePath) + " -> " + std::string(newName) + " : " +
           std::string(reason);
}

std::string NotListedLine(std::string_view basePath) {
    return "Not listed, its path holds ';' - " + std::string(basePath);
}

void AddErrorLogBlock(KelOutputText& log, const std::vector<std::string>& errorLines) {
    if (errorLines.empty()) return;
    log.AddLine("");
    log.AddLine(ASTERISKS);
    log.AddLine(std::string("Please e-mail this log to ") + SUPPORT_EMAIL);
    log.AddLine(std::string(" Join Us @ ") + FORUM_ADDRESS + " ");
    log.AddLine(ASTERISKS);
    log.AddLine("");
    for (const std::string& line : errorLines) log.AddLine(line);
}
