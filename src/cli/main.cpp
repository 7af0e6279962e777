// orvane-cli: the runs of the window, from a terminal or a script.
#include <cstdio>
#include <iostream>
#include <optional>

#include "cli/CommandLine.h"
#include "cli/ExitStatus.h"
#include "cli/ImportDatCommand.h"
#include "cli/JsonReport.h"
#include "cli/StopSignals.h"
#include "cli/TerminalHost.h"
#include "cli/UndoCommand.h"
#include "cli/VerifyCommand.h"
#include "config/NamedFiles.h"
#include "config/WindowModel.h"
#include "platform/AsciiCase.h"
#include "platform/KelCurrentDirectory.h"
#include "run/AddRecord.h"
#include "run/FormulaWarning.h"
#include "run/ListRun.h"
#include "run/RenameRun.h"
#include "run/RunSettings.h"
#include "run/VerifyRun.h"

namespace {

int IndexIgnoringCase(const std::vector<std::string>& list, const std::string& name) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (platform::EqualsIgnoreCase(list[i], name)) return int(i);
    }
    return -1;
}

int UsageError(const std::string& message) {
    std::cerr << "orvane-cli: " << message << "\n"
              << "Try 'orvane-cli --help'.\n";
    return EXIT_USAGE;
}

bool Names(const CommandLine& line, int edit) {
    for (const auto& [index, text] : line.edits) {
        if (index == edit) return true;
    }
    return false;
}

// --save: the preset (a new one when `newPreset`) and Setting.ini. A new
// preset that cannot be written leaves every other preset untouched: the
// state given here is never stored under another preset's name.
bool Save(WindowModel& model, const std::string& newPreset) {
    std::vector<std::string> unwritten;
    if (!newPreset.empty() && !model.AddPreset(newPreset)) {
        unwritten.push_back(model.PresetFile(newPreset));
    } else {
        unwritten = model.SaveSettings();
    }
    for (const std::string& file : unwritten) {
        std::cerr << "orvane-cli: cannot write: " << file << "\n";
    }
    if (!unwritten.empty()) std::cerr << "orvane-cli: --save failed, nothing was run\n";
    return unwritten.empty();
}

RunOutcome RunCommand(const CommandLine& line, WindowModel& model, TerminalHost& host,
                      RunState& runState, JsonReport* json, DiscVerifier* verifier) {
    if (line.command == CommandLine::Command::AddRecord) {
        return MergeDatabaseFiles(model.Options(), host);
    }
    const StopSignals stopSignals(runState);
    const RunSettings settings{&host, &runState, model.Options(), line.dryRun ? &host : nullptr,
                               json,  verifier};
    return line.command == CommandLine::Command::Rename ? RunRename(settings) : RunList(settings);
}

// An input refused before the command ran: the error, and with --json the
// summary that says so.
int RejectBeforeRun(const std::string& error, JsonReport* json) {
    std::cerr << "orvane-cli: " << error << "\n";
    if (json) json->Finish(EXIT_INPUT_REJECTED, error);
    return EXIT_INPUT_REJECTED;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!line) return UsageError(error);
    if (line->help) {
        std::cout << USAGE_TEXT;
        return EXIT_DONE;
    }
    if (line->version) {
        std::cout << "orvane-cli " << ORVANE_VERSION << "\n";
        return EXIT_DONE;
    }

    // Undo works on the journal alone.
    if (line->command == CommandLine::Command::Undo) return RunUndo(*line);
    // Verify reads the folder and the DATs it is given, nothing of the saved state.
    if (line->command == CommandLine::Command::Verify) return RunVerifyCommand(*line);

    // The state the window would show at start, then the options on top; but
    // no database is guessed.
    const KelCurrentDirectory startDirectory;
    WindowModel model(startDirectory);
    model.LoadSettings(WindowModel::DefaultDatabase::None);

    std::string newPreset;
    if (line->preset) {
        const int index =
            config::FindRemembered(model.presetList, *line->preset, config::NameMatch::Exact);
        if (index >= 0) {
            model.presetSelection = index;
            model.currentPreset = model.presetList[std::size_t(index)];
            model.LoadPreset(model.currentPreset);
        } else if (line->save) {
            newPreset = *line->preset;
        } else {
            return UsageError("no such preset (--save creates it): " + *line->preset);
        }
    }
    if (line->language) {
        const int index = IndexIgnoringCase(model.languageList, *line->language);
        if (index < 0) return UsageError("no such language: " + *line->language);
        model.SelectLanguage(index);
    }
    for (const auto& [index, text] : line->edits) model.edits[std::size_t(index)] = text;
    for (const auto& [index, state] : line->checks) model.checks[std::size_t(index)] = state;
    if (line->systemSelection) model.systemSelection = *line->systemSelection;

    std::optional<JsonReport> json;
    if (line->json) {
        json.emplace(startDirectory.Directory(),
                     line->command == CommandLine::Command::List ? JsonReport::Command::List
                                                                 : JsonReport::Command::Rename,
                     line->dryRun);
    }
    JsonReport* const jsonReport = json ? &*json : nullptr;
    const std::string& database = model.edits[EDIT_DATABASE];
    if (database.empty()) {
        return RejectBeforeRun(
            "no database given: --database FILE (--save keeps it in Setting.ini)", jsonReport);
    }
    if (line->command == CommandLine::Command::Rename) {
        const std::string& formula = model.edits[EDIT_FORMULA];
        const std::string warning = FormulaWarning(formula, model.LanguageTexts());
        if (!warning.empty()) {
            return RejectBeforeRun(warning + ": " + (formula.empty() ? "--formula" : formula),
                                   jsonReport);
        }
    }

    if (line->save && !Save(model, newPreset)) return EXIT_WRITE_FAILED;
    if (!Names(*line, EDIT_DATABASE) && line->verbosity != Verbosity::Quiet) {
        std::cerr << "orvane-cli: no --database given, using " << database << "\n";
    }

    if (line->command == CommandLine::Command::ImportDat) {
        return RunImportDat(model, line->datFiles, line->verbosity);
    }
    // rename --verified-only: the DATs are read before anything is renamed.
    std::optional<DiscVerifier> verifier;
    if (line->verifiedOnly) {
        verifier.emplace(line->verifyDats, VerifyCachePath());
        for (const DatHashProblem& problem : verifier->Dat().Problems()) {
            std::cerr << "orvane-cli: the DAT cannot be read (" << problem.what
                      << "): " << problem.path << "\n";
        }
        if (!verifier->Dat().Valid()) return EXIT_INPUT_REJECTED;
    }
    RunState runState;
    TerminalHost host(startDirectory, model, runState, line->verbosity,
                      line->dryRun && !line->json);
    const RunOutcome outcome =
        RunCommand(*line, model, host, runState, jsonReport, verifier ? &*verifier : nullptr);
    const std::string refusal = host.FinishCommand(outcome);
    const int status = ExitStatus(outcome, StopSignals::Received());
    if (json) json->Finish(status, refusal);
    return status;
}
