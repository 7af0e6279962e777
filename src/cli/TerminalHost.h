#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "cli/CommandLine.h"
#include "core/RunHost.h"
#include "core/RunOutcome.h"
#include "rename/PlanSink.h"

class WindowModel;
struct RunState;

// The terminal as the window of a run. Stdout holds a dry run's plan, one
// line per step (or, with --json, nothing of this class); everything for the
// user goes to stderr: errors always, the messages and a last summary line
// unless quiet, the status texts as lines only when verbose, and a progress
// bar when stderr is a terminal that understands escape sequences.
class TerminalHost final : public RunHost, public PlanSink {
public:
    TerminalHost(const KelCurrentDirectory& startDirectory, const WindowModel& model,
                 RunState& runState, Verbosity verbosity, bool planOnStdout = false);

    void SetStatusText(const std::string& text) override;
    void SetProgress(int position) override;
    void SetControlsEnabled(bool enabled) override;
    std::string LanguageText(const std::string& section, const std::string& key) override;
    // A message of a library (one with a caption of its own) is an error and
    // goes out at once. The program's own messages are held back until the
    // next one or the end of the command: only then is it known whether the
    // last one is the command's summary or why it was refused.
    void ShowMessage(const std::string& text, MessageIcon icon,
                     const std::string& caption) override;
    bool AskYesNo(const std::string& text) override;
    const KelCurrentDirectory& StartDirectory() const override { return startDirectory; }
    // A step of a dry run's plan, as a line on stdout.
    void Add(const PlanStep& step) override;

    // Prints the message held back: a refusal is an error that names the
    // option value it refused, the summary a line of its own (with the
    // status text it ended with), on one line. Returns the refusal, empty
    // when there was none.
    std::string FinishCommand(RunOutcome outcome);

private:
    void ClearBar();
    void DrawBar();
    void PrintHeldMessage();
    // A message that refuses an input, with that input: the option's value,
    // or the option when it was left empty; nothing for any other message.
    std::optional<std::string> RefusalText(const std::string& message) const;

    const KelCurrentDirectory& startDirectory;
    const WindowModel& model;
    RunState& runState;
    const Verbosity verbosity;
    const bool showBar;
    const bool planOnStdout;
    bool barShown = false;
    int position = 0;
    std::chrono::steady_clock::time_point started;
    std::optional<std::string> heldMessage;
    std::string lastStatus;
};

// Whether stderr takes a progress bar: a terminal, and one that is not dumb.
bool StderrTakesEscapes();

// A text of several lines as one line, its lines separated by "; ".
std::string OnOneLine(std::string text);
