#include "cli/JsonReport.h"

#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>

#include "platform/PathText.h"

namespace {

using Json = nlohmann::ordered_json;

const char* ResultName(DiscReport::Result result, bool dryRun) {
    using Result = DiscReport::Result;
    switch (result) {
        case Result::Renamed:
            return dryRun ? "would_rename" : "renamed";
        case Result::AlreadyNamed:
            return "already_named";
        case Result::NotRenamed:
            return "not_renamed";
        case Result::NoIdentifier:
            return "no_identifier";
        case Result::NotInDatabase:
            return "not_in_database";
        case Result::Listed:
            return "listed";
        case Result::NotListed:
            return "not_listed";
        case Result::TakenBack:
            return dryRun ? "would_take_back" : "taken_back";
        case Result::NotTakenBack:
            return "not_taken_back";
    }
    return "";
}

const char* UndoResultName(UndoReport::Result result) {
    using Result = UndoReport::Result;
    switch (result) {
        case Result::TakenBack:
            return "taken_back";
        case Result::PartlyTakenBack:
            return "partly_taken_back";
        case Result::NoJournal:
            return "no_journal";
        case Result::NoSuchRun:
            return "no_such_run";
        case Result::AlreadyTakenBack:
            return "already_taken_back";
        case Result::AnotherRun:
            return "another_run";
    }
    return "";
}

// One object, one line. File names are bytes: what is no UTF-8 cannot be
// written as JSON text and is replaced rather than refused.
void PrintLine(const Json& object) {
    std::cout << object.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
}

}  // namespace

JsonReport::JsonReport(std::string startDirectory, Command command, bool dryRun)
    : startDirectory(std::move(startDirectory)), command(command), dryRun(dryRun) {}

std::string JsonReport::Absolute(const std::string& path) const {
    if (path.empty() || path.front() == '/') return path;
    return std::filesystem::path(platform::JoinPath(startDirectory, path))
        .lexically_normal()
        .string();
}

void JsonReport::Disc(const DiscReport& disc) {
    Json object;
    object["type"] = disc.folder ? "folder" : "disc";
    object["path"] = Absolute(disc.path);
    object["identifier"] = disc.identifier;
    object["result"] = ResultName(disc.result, dryRun);
    object["reason"] = disc.reason;
    Json files = Json::array();
    for (const ReportedFile& file : disc.files) {
        files.push_back(
            {{"old", Absolute(file.old)}, {"new", Absolute(file.now)}, {"reason", file.why}});
    }
    object["files"] = std::move(files);
    Json rewrites = Json::array();
    for (const std::string& rewrite : disc.rewrites) rewrites.push_back(Absolute(rewrite));
    object["rewrites"] = std::move(rewrites);
    PrintLine(object);
}

void JsonReport::Summary(const RunSummary& summary) {
    runSummary = summary;
}

void JsonReport::UndoSummary(const UndoReport& report) {
    undoReport = report;
}

void JsonReport::Finish(int exitStatus, const std::string& error) {
    Json object;
    object["type"] = "summary";
    object["command"] = command == Command::Rename ? "rename"
                        : command == Command::List ? "list"
                                                   : "undo";
    object["dry_run"] = dryRun;
    if (runSummary) {
        const RunSummary& summary = *runSummary;
        const std::int64_t notDone = summary.discs - summary.done - summary.alreadyNamed;
        object["discs"] = summary.discs;
        if (command == Command::List) {
            object["listed"] = summary.done;
            object["not_listed"] = notDone;
        } else {
            object["renamed"] = summary.done;
            object["already_named"] = summary.alreadyNamed;
            object["not_renamed"] = notDone;
            object["found_in_database"] = summary.found;
        }
        object["stopped"] = summary.stopped;
        object["error_log"] = summary.errorLog.empty() ? Json() : Json(summary.errorLog);
        object["error_lines"] = summary.errorLines;
        object["lists_updated"] = summary.listsUpdated;
        object["not_written"] = summary.notWritten;
        object["message"] = summary.message;
    }
    if (undoReport) {
        const UndoReport& report = *undoReport;
        object["result"] = UndoResultName(report.result);
        object["run"] = report.run;
        object["started"] = report.started;
        object["folder"] = Absolute(report.folder);
        object["files"] = report.files;
        object["rewrites"] = report.rewrites;
        object["folders"] = report.folders;
        object["skipped"] = report.skipped;
        object["left_open"] = report.leftOpen;
        object["stopped"] = report.stopped;
    }
    object["error"] = error.empty() ? Json() : Json(error);
    object["exit_status"] = exitStatus;
    PrintLine(object);
    std::cout << std::flush;
}
