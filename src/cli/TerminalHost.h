#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "core/RunHost.h"
#include "core/RunOutcome.h"
#include "rename/PlanSink.h"

class WindowModel;
struct RunState;

// The terminal as the window of a run: status texts as lines on stderr, a
// progress bar on stderr when it is a terminal, message texts on stdout and
// errors on stderr. For a dry run stdout holds the plan alone, one line per
// step, and the message texts go to stderr too.
class TerminalHost final : public RunHost, public PlanSink {
public:
    TerminalHost(const KelCurrentDirectory& startDirectory, const WindowModel& model,
                 RunState& runState, bool planOnStdout = false);

    void SetStatusText(const std::string& text) override;
    void SetProgress(int position) override;
    void SetControlsEnabled(bool enabled) override;
    std::string LanguageText(const std::string& section, const std::string& key) override;
    // A message of a library (one with a caption of its own) is an error and
    // goes to stderr at once. The program's own messages are held back until
    // the next one or the end of the command: only then is it known whether
    // the last one is the command's report (stdout) or why it was refused.
    void ShowMessage(const std::string& text, MessageIcon icon,
                     const std::string& caption) override;
    bool AskYesNo(const std::string& text) override;
    const KelCurrentDirectory& StartDirectory() const override { return startDirectory; }
    // A step of a dry run's plan, as a line on stdout.
    void Add(const PlanStep& step) override;

    // Prints the message held back: a refusal is an error on stderr that
    // names the option value it refused, a report goes to stdout.
    void FinishCommand(RunOutcome outcome);

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
    const bool showBar;
    // Messages go to stderr: stdout is the plan's.
    const bool planOnStdout;
    bool barShown = false;
    int position = 0;
    std::chrono::steady_clock::time_point started;
    std::optional<std::string> heldMessage;
};
