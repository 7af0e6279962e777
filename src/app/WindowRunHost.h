#pragma once

#include <QThread>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "app/RunHostWindow.h"
#include "config/KeyedTextDocument.h"
#include "core/RunHost.h"

// The main window as the host of a run. Every request is carried out on the
// window's thread: status, progress and the enabled state are posted and the
// run goes on at once, so the window never waits for the run; a message box
// or a question holds the run until the user has answered it. Requests made
// on the window's thread itself (Add Record, deleting a preset) are carried
// out directly.
class WindowRunHost final : public RunHost {
public:
    WindowRunHost(RunHostWindow& window, const KelCurrentDirectory& startDirectory);

    // The run reads its texts from this copy, taken on the window's thread
    // before the run starts, so it never reads what the window may change.
    void TakeLanguageTexts(const KeyedTextDocument& texts);

    // For a window that is going away: from now on requests return at once
    // without reaching it, and a run waiting for an answer is released.
    void Detach();

    void SetStatusText(const std::string& text) override;
    void SetProgress(int position) override;
    void SetControlsEnabled(bool enabled) override;
    std::string LanguageText(const std::string& section, const std::string& key) override;
    void ShowMessage(const std::string& text, MessageIcon icon,
                     const std::string& caption) override;
    bool AskYesNo(const std::string& text) override;
    const KelCurrentDirectory& StartDirectory() const override { return startDirectory; }

private:
    bool OnWindowThread() const { return QThread::currentThread() == windowThread; }
    // Posts a request to the window's thread and goes on.
    void Post(std::function<void()> request);
    // Carries a request out on the window's thread and waits for its answer;
    // `whenDetached` when the window goes away first.
    bool Ask(std::function<bool()> request, bool whenDetached);

    RunHostWindow& window;
    QThread* const windowThread;
    const KelCurrentDirectory& startDirectory;
    KeyedTextDocument runTexts;

    std::mutex mutex;
    std::condition_variable answered;
    std::atomic<bool> detached{false};
};
