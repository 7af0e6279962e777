// orvane-cli: the runs of the window, from a terminal or a script.
#include <signal.h>

#include <cstdio>
#include <iostream>

#include "cli/CommandLine.h"
#include "cli/ImportDatCommand.h"
#include "cli/TerminalHost.h"
#include "config/WindowModel.h"
#include "platform/AsciiCase.h"
#include "platform/KelCurrentDirectory.h"
#include "run/AddRecord.h"
#include "run/ListRun.h"
#include "run/RenameRun.h"
#include "run/RunSettings.h"

namespace {

constexpr int EXIT_INPUT_REJECTED = 2;
constexpr int EXIT_USAGE = 64;

RunState* activeRun = nullptr;

// Ctrl-C asks the run to stop after the disc in progress; a second one ends
// the program at once.
void RequestStop(int) {
    if (activeRun != nullptr) activeRun->stopRequested.store(true);
    signal(SIGINT, SIG_DFL);
}

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

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!line) return UsageError(error);
    if (line->help) {
        std::cout << USAGE_TEXT;
        return 0;
    }
    if (line->version) {
        std::cout << "orvane-cli " << ORVANE_VERSION << "\n";
        return 0;
    }

    // The state the window would show at start, then the options on top.
    const KelCurrentDirectory startDirectory;
    WindowModel model(startDirectory);
    model.LoadSettings();

    bool newPreset = false;
    if (line->preset) {
        const int index = IndexIgnoringCase(model.presetList, *line->preset);
        if (index >= 0) {
            model.presetSelection = index;
            model.currentPreset = model.presetList[std::size_t(index)];
            model.LoadPreset(model.currentPreset);
        } else if (line->save) {
            newPreset = true;
        } else {
            return UsageError("no preset named " + *line->preset + " (--save creates it)");
        }
    }
    if (line->language) {
        const int index = IndexIgnoringCase(model.languageList, *line->language);
        if (index < 0) return UsageError("no language named " + *line->language);
        model.SelectLanguage(index);
    }
    for (const auto& [index, text] : line->edits) model.edits[std::size_t(index)] = text;
    for (const auto& [index, state] : line->checks) model.checks[std::size_t(index)] = state;
    if (line->systemSelection) model.systemSelection = *line->systemSelection;

    if (line->save) {
        if (newPreset) {
            model.AddPreset(*line->preset);
        } else {
            model.SavePreset(model.currentPreset);
        }
        model.SaveSettings();
    }

    RunState runState;
    TerminalHost host(startDirectory, model, runState);
    RunOutcome outcome = RunOutcome::Completed;
    switch (line->command) {
        case CommandLine::Command::Rename:
        case CommandLine::Command::List: {
            activeRun = &runState;
            signal(SIGINT, RequestStop);
            const RunSettings settings = MakeRunSettings(model, &host, &runState);
            outcome = line->command == CommandLine::Command::Rename ? RunRename(settings)
                                                                    : RunList(settings);
            signal(SIGINT, SIG_DFL);
            activeRun = nullptr;
            break;
        }
        case CommandLine::Command::AddRecord:
            outcome = MergeDatabaseFiles(model, host);
            break;
        case CommandLine::Command::ImportDat:
            return RunImportDat(model, line->datFiles);
        case CommandLine::Command::None:
            break;
    }
    return outcome == RunOutcome::InputRejected ? EXIT_INPUT_REJECTED : 0;
}
