#include "cli/TerminalHost.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "config/WindowModel.h"
#include "run/RunSettings.h"

namespace {

constexpr int PROGRESS_RANGE = 65536;
constexpr int BAR_WIDTH = 30;

}  // namespace

TerminalHost::TerminalHost(const KelCurrentDirectory& startDirectory, const WindowModel& model,
                           const RunState& runState)
    : startDirectory(startDirectory),
      model(model),
      runState(runState),
      showBar(isatty(STDERR_FILENO) == 1),
      started(std::chrono::steady_clock::now()) {}

void TerminalHost::ClearBar() {
    if (!barShown) return;
    std::fputs("\r\033[K", stderr);
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
    std::fprintf(stderr, "\r\033[K[%s%s] %lld/%lld  %lld:%02lld",
                 std::string(std::size_t(filled), '#').c_str(),
                 std::string(std::size_t(BAR_WIDTH - filled), '-').c_str(), done, total,
                 static_cast<long long>(elapsed / 60), static_cast<long long>(elapsed % 60));
    std::fflush(stderr);
    barShown = true;
}

void TerminalHost::SetStatusText(const std::string& text) {
    ClearBar();
    std::fprintf(stderr, "%s\n", text.c_str());
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

std::string TerminalHost::LanguageText(const std::string& section, const std::string& key) {
    return model.LanguageText(section, key);
}

void TerminalHost::ShowMessage(const std::string& text, MessageIcon, const std::string& caption) {
    ClearBar();
    if (caption != APPLICATION_TITLE) {
        std::cout << caption << ": ";
    }
    std::cout << text << std::endl;
    DrawBar();
}

bool TerminalHost::AskYesNo(const std::string& text) {
    if (isatty(STDIN_FILENO) != 1) return false;
    ClearBar();
    std::cout << text << " [y/N] " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y" || answer == "yes";
}
