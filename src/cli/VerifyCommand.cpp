#include "cli/VerifyCommand.h"

#include <signal.h>

#include <cctype>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/CommandLine.h"
#include "cli/ExitStatus.h"
#include "cli/StopSignals.h"
#include "cli/TerminalHost.h"
#include "config/ControlIndexes.h"
#include "platform/FileOps.h"
#include "platform/TextLines.h"
#include "platform/UserDataFolder.h"
#include "rename/PlanSink.h"
#include "run/RunSettings.h"
#include "run/VerifyRun.h"

namespace {

constexpr VerifyStatus STATUSES[] = {VerifyStatus::Verified, VerifyStatus::Mismatch,
                                     VerifyStatus::Incomplete, VerifyStatus::NotInDat,
                                     VerifyStatus::Unreadable};

using Json = nlohmann::ordered_json;

// One object, one line; bytes that are no UTF-8 are replaced, not refused.
void PrintJsonLine(const Json& object) {
    std::cout << object.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
}

// "not in DAT" -> "not_in_dat": the summary's keys.
std::string JsonKey(VerifyStatus status) {
    std::string key = VerifyStatusText(status);
    for (char& c : key) c = c == ' ' ? '_' : char(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + "\"";
}

std::string CsvRow(std::initializer_list<std::string> fields) {
    std::string row;
    bool first = true;
    for (const std::string& field : fields) {
        row += (first ? "" : ",") + CsvField(field);
        first = false;
    }
    row += platform::LINE_END;
    return row;
}

// The findings as they come: lines or JSON objects on stdout, progress on
// stderr when it is a terminal, rows for the report.
class VerifyOutput final : public VerifySink {
public:
    VerifyOutput(bool json, bool report, bool progress)
        : json(json), report(report), showProgress(progress) {}

    void Progress(std::int64_t done, std::int64_t total, const std::string& candidate) override {
        if (!showProgress) return;
        std::cerr << "\r\x1b[K[" << done + 1 << "/" << total << "] " << candidate.substr(0, 60)
                  << std::flush;
        progressShown = true;
    }

    void Disc(const VerifiedDisc& disc) override {
        ClearProgress();
        const std::string status = VerifyStatusText(disc.verdict.status);
        if (json) {
            PrintJsonLine({{"path", disc.path},
                           {"serial", disc.identifier},
                           {"status", status},
                           {"dat_name", disc.verdict.datName},
                           {"detail", disc.verdict.detail}});
        } else {
            std::cout << TabField(status) << '\t' << TabField(disc.path) << '\t'
                      << TabField(disc.verdict.datName) << '\t' << TabField(disc.verdict.detail)
                      << '\n';
        }
        std::cout << std::flush;
        if (report) {
            rows += CsvRow(
                {disc.path, disc.identifier, disc.verdict.datName, status, disc.verdict.detail});
        }
    }

    void ClearProgress() {
        if (progressShown) std::cerr << "\r\x1b[K" << std::flush;
        progressShown = false;
    }

    std::string rows = CsvRow({"path", "serial", "dat_name", "status", "detail"});

private:
    const bool json;
    const bool report;
    const bool showProgress;
    bool progressShown = false;
};

}  // namespace

std::string VerifyCachePath() {
    const std::string folder = platform::UserDataFolder();
    if (!platform::MakeUserDataFolder(folder)) return {};
    return folder + "/" + VERIFY_CACHE_FILE;
}

int RunVerifyCommand(const CommandLine& line) {
    // A reader that goes away (verify | head) must not end the run in the
    // middle of a disc and lose its cache entry.
    static_cast<void>(signal(SIGPIPE, SIG_IGN));
    RunState runState;
    const StopSignals stopSignals(runState);
    VerifyRequest request;
    for (const auto& [index, text] : line.edits) {
        if (index == EDIT_FOLDER) request.folder = text;
    }
    for (const auto& [index, state] : line.checks) {
        if (index == CHECK_SUBFOLDERS) request.subfolders = state == 1;
    }
    request.systemIndex = SystemIndex(line.systemSelection.value_or(-1));
    request.datFiles = line.verifyDats;
    request.cachePath = VerifyCachePath();
    request.stopRequested = &runState.stopRequested;
    if (request.cachePath.empty()) {
        std::cerr << "orvane-cli: no data folder for the hash cache (neither XDG_DATA_HOME nor "
                     "HOME names one): every file is read\n";
    }

    VerifyOutput output(line.json, line.reportFile.has_value(),
                        line.verbosity != Verbosity::Quiet && StderrTakesEscapes());
    const VerifyReport report = RunVerify(request, output);
    output.ClearProgress();
    for (const std::string& problem : report.inputProblems) {
        std::cerr << "orvane-cli: " << problem << "\n";
    }
    if (!report.inputValid) return EXIT_INPUT_REJECTED;
    if (report.unusableGames > 0) {
        std::cerr << "orvane-cli: " << report.unusableGames
                  << " games of the DATs are left out: a file of theirs has no size or CRC\n";
    }
    if (!report.cacheProblem.empty()) {
        std::cerr << "orvane-cli: the hash cache " << report.cacheProblem
                  << ", so nothing more is kept in it: " << request.cachePath << "\n";
    }

    bool reportWritten = true;
    if (line.reportFile) {
        std::string rows = output.rows;
        for (const std::string& game : report.missingGames) {
            rows += CsvRow({"", "", game, "missing", "no disc of the folder is this game"});
        }
        reportWritten = platform::ReplaceFileContent(*line.reportFile, rows);
        if (!reportWritten) {
            std::cerr << "orvane-cli: the report could not be written: " << *line.reportFile
                      << "\n";
        }
    }

    std::int64_t discs = 0;
    for (const std::int64_t count : report.counts) discs += count;
    const auto count = [&report](VerifyStatus status) {
        return report.counts[std::size_t(status)];
    };
    if (line.json) {
        Json summary = {{"discs", discs}};
        for (const VerifyStatus status : STATUSES) summary[JsonKey(status)] = count(status);
        summary["missing_games"] = report.missingGames.size();
        summary["stopped"] = report.stopped;
        PrintJsonLine({{"summary", summary}});
    } else if (line.verbosity != Verbosity::Quiet) {
        std::cerr << (report.stopped ? "Stopped. " : "") << "Discs:" << discs;
        for (const VerifyStatus status : STATUSES) {
            std::string key = VerifyStatusText(status);
            key[0] = char(std::toupper(key[0]));
            std::cerr << " " << key << ":" << count(status);
        }
        std::cerr << " DAT games missing:" << report.missingGames.size() << "\n";
    }
    std::cout << std::flush;
    if (report.stopped || StopSignals::Received() != 0) {
        return ExitStatus(RunOutcome::Stopped, StopSignals::Received());
    }
    const bool allVerified = count(VerifyStatus::Verified) == discs;
    return allVerified && reportWritten ? EXIT_DONE : EXIT_NOT_ALL_VERIFIED;
}
