#pragma once

#include <chrono>
#include <string>

#include "core/RunHost.h"

class WindowModel;
struct RunState;

// The terminal as the window of a run: status texts as lines on stderr, a
// progress bar on stderr when it is a terminal, message texts on stdout.
class TerminalHost final : public RunHost {
public:
    TerminalHost(const KelCurrentDirectory& startDirectory, const WindowModel& model,
                 const RunState& runState);

    void SetStatusText(const std::string& text) override;
    void SetProgress(int position) override;
    void SetControlsEnabled(bool) override {}
    std::string LanguageText(const std::string& section, const std::string& key) override;
    void ShowMessage(const std::string& text, MessageIcon icon,
                     const std::string& caption) override;
    bool AskYesNo(const std::string& text) override;
    const KelCurrentDirectory& StartDirectory() const override { return startDirectory; }

private:
    void ClearBar();
    void DrawBar();

    const KelCurrentDirectory& startDirectory;
    const WindowModel& model;
    const RunState& runState;
    const bool showBar;
    bool barShown = false;
    int position = 0;
    std::chrono::steady_clock::time_point started;
};
