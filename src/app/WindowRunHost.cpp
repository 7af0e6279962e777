#include "app/WindowRunHost.h"

#include <memory>

#include "config/Language.h"

WindowRunHost::WindowRunHost(RunHostWindow& window, const KelCurrentDirectory& startDirectory)
    : window(window),
      windowThread(QThread::currentThread()),
      startDirectory(startDirectory),
      runTexts(LANGUAGE_HEADER) {}

void WindowRunHost::TakeLanguageTexts(const KeyedTextDocument& texts) {
    runTexts = texts;
}

void WindowRunHost::Detach() {
    {
        const std::lock_guard lock(mutex);
        detached = true;
    }
    answered.notify_all();
}

void WindowRunHost::Post(std::function<void()> request) {
    if (OnWindowThread()) {
        request();
        return;
    }
    if (detached) return;
    // Posted to the window object: should it go before the request is taken,
    // the request goes with it.
    QMetaObject::invokeMethod(&window.Receiver(), std::move(request), Qt::QueuedConnection);
}

bool WindowRunHost::Ask(std::function<bool()> request, bool whenDetached) {
    if (OnWindowThread()) return request();
    struct Reply {
        bool given = false;
        bool answer = false;
    };
    const auto reply = std::make_shared<Reply>();
    std::unique_lock lock(mutex);
    if (detached) return whenDetached;
    QMetaObject::invokeMethod(
        &window.Receiver(),
        [this, request = std::move(request), reply] {
            const bool answer = request();
            const std::lock_guard answerLock(mutex);
            reply->answer = answer;
            reply->given = true;
            answered.notify_all();
        },
        Qt::QueuedConnection);
    answered.wait(lock, [&] { return reply->given || detached; });
    return reply->given ? reply->answer : whenDetached;
}

void WindowRunHost::SetStatusText(const std::string& text) {
    Post([this, text] { window.SetStatusText(text); });
}

void WindowRunHost::SetProgress(int position) {
    Post([this, position] { window.SetProgress(position); });
}

void WindowRunHost::SetControlsEnabled(bool enabled) {
    Post([this, enabled] { window.SetControlsEnabled(enabled); });
}

std::string WindowRunHost::LanguageText(const std::string& section, const std::string& key) {
    return OnWindowThread() ? window.LanguageText(section, key) : runTexts.Get(section, key);
}

void WindowRunHost::ShowMessage(const std::string& text, MessageIcon icon,
                                const std::string& caption) {
    Ask(
        [this, text, icon, caption] {
            window.ShowMessageBox(text, icon, caption);
            return true;
        },
        true);
}

bool WindowRunHost::AskYesNo(const std::string& text) {
    return Ask([this, text] { return window.AskYesNoBox(text); }, false);
}
