#include "cli/TerminalHost.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string_view>
#include <utility>

#include "cli/StopSignals.h"
#include "config/WindowModel.h"
#include "run/RunSettings.h"

namespace {

constexpr int PROGRESS_RANGE = 65536;
constexpr int BAR_WIDTH = 30;

// The messages that refuse a command, with the input each one is about.
struct Refusal {
    const char* key;
    int edit;  // -1: the input is no edit box
    const char* option;
};
constexpr Refusal REFUSALS[] = {
    {"FOLDER_NOT_FOUND", EDIT_FOLDER, "--folder"},
    {"FOLDER_IS_FILE", EDIT_FOLDER, "--folder"},
    {"DATABASE_NOT_FOUND", EDIT_DATABASE, "--database"},
    {"ADD_DATABASE_NOT_FOUND", EDIT_ADD_DATABASE, "--add-file"},
    {"ADD_WRITE_FAILED", EDIT_DATABASE, "--database"},
    {"MODE_NOT_SELECTED", -1, "--system"},
    {"HAVE_MISS_FORMAT_NOT_FOUND", EDIT_LIST_FORMAT, "--list-format"},
};

}  // namespace

bool StderrTakesEscapes() {
    const char* term = std::getenv("TERM");
    return isatty(STDERR_FILENO) == 1 && term != nullptr && *term != '\0' &&
           std::string_view(term) != "dumb";
}

std::string OnOneLine(std::string text) {
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at)) {
        text.replace(at, 1, "; ");
    }
    return text;
}

TerminalHost::TerminalHost(const KelCurrentDirectory& startDirectory, const WindowModel& model,
                           RunState& runState, Verbosity verbosity, bool planOnStdout)
    : startDirectory(startDirectory),
      model(model),
      runState(runState),
      verbosity(verbosity),
      showBar(verbosity != Verbosity::Quiet && StderrTakesEscapes()),
      planOnStdout(planOnStdout),
      started(std::chrono::steady_clock::now()) {}

void TerminalHost::ClearBar() {
    if (!barShown) return;
    static_cast<void>(std::fputs("\r\033[K", stderr));
    barShown = false;
}

void TerminalHost::DrawBar() {
    if (!showBar || position <= 0) return;
    // The run reports processed * 65536 / total; this recovers processed.
    const long long total = static_cast<long long>(runState.candidates.size());
    const long long done =
        (static_cast<long long>(position) * total + PROGRESS_RANGE - 1) / PROGRESS_RANGE;
    const int filled = int(static_cast<long long>(position) * BAR_WIDTH / PROGRESS_RANGE);
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started)
            .count();
    // The terminal gone, a bar that cannot be drawn is no error of the run.
    static_cast<void>(std::fprintf(stderr, "\r\033[K[%s%s] %lld/%lld  %lld:%02lld",
                                   std::string(std::size_t(filled), '#').c_str(),
                                   std::string(std::size_t(BAR_WIDTH - filled), '-').c_str(), done,
                                   total, static_cast<long long>(elapsed / 60),
                                   static_cast<long long>(elapsed % 60)));
    static_cast<void>(std::fflush(stderr));
    barShown = true;
}

void TerminalHost::SetStatusText(const std::string& text) {
    lastStatus = text;
    if (verbosity != Verbosity::Verbose) return;
    ClearBar();
    static_cast<void>(std::fprintf(stderr, "%s\n", OnOneLine(text).c_str()));
    DrawBar();
}

void TerminalHost::SetProgress(int newPosition) {
    position = newPosition;
    if (position <= 0) {
        ClearBar();
        return;
    }
    DrawBar();
}

void TerminalHost::SetControlsEnabled(bool enabled) {
    // A run clears Stop as it begins: a signal that came before still stops it.
    if (!enabled && StopSignals::Received() != 0) runState.stopRequested = true;
}

std::string TerminalHost::LanguageText(const std::string& section, const std::string& key) {
    return model.LanguageText(section, key);
}

void TerminalHost::ShowMessage(const std::string& text, MessageIcon, const std::string& caption) {
    ClearBar();
    if (caption != APPLICATION_TITLE) {
        std::cerr << "orvane-cli: " << caption << ": " << text << std::endl;
    } else {
        PrintHeldMessage();
        heldMessage = text;
    }
    DrawBar();
}

void TerminalHost::PrintHeldMessage() {
    if (heldMessage && verbosity != Verbosity::Quiet) std::cerr << *heldMessage << std::endl;
    heldMessage.reset();
}

void TerminalHost::Add(const PlanStep& step) {
    if (!planOnStdout) return;
    ClearBar();
    std::cout << PlanLine(step) << '\n';
    DrawBar();
}

bool TerminalHost::AskYesNo(const std::string& text) {
    if (isatty(STDIN_FILENO) != 1) return false;
    ClearBar();
    std::cerr << text << " [y/N] " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y" || answer == "yes";
}

std::string TerminalHost::FinishCommand(RunOutcome outcome) {
    ClearBar();
    if (!heldMessage) return {};
    const std::string message = *std::exchange(heldMessage, std::nullopt);
    const std::optional<std::string> refusal = RefusalText(message);
    if (refusal || outcome == RunOutcome::InputRejected) {
        const std::string error = OnOneLine(refusal.value_or(message));
        std::cerr << "orvane-cli: " << error << std::endl;
        return error;
    }
    // The status it ended with says "Finished." or "Stopped." before it;
    // -v has shown that already.
    const bool inStatus = lastStatus.ends_with(message);
    if (verbosity == Verbosity::Verbose && inStatus) return {};
    const std::string summary = OnOneLine(inStatus ? lastStatus : message);
    if (verbosity != Verbosity::Quiet) {
        std::cerr << summary << std::endl;
    } else if (outcome == RunOutcome::CompletedWithWriteFailures) {
        // It names the files that could not be written.
        std::cerr << "orvane-cli: " << summary << std::endl;
    }
    return {};
}

std::optional<std::string> TerminalHost::RefusalText(const std::string& message) const {
    for (const Refusal& refusal : REFUSALS) {
        if (model.LanguageText("MessageBox", refusal.key) != message) continue;
        const std::string value =
            refusal.edit < 0 ? std::string() : model.edits[std::size_t(refusal.edit)];
        return message + ": " + (value.empty() ? refusal.option : value);
    }
    return std::nullopt;
}
