#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/RunHost.h"
#include "platform/KelCurrentDirectory.h"

namespace testsupport {

// A RunHost that records every request, for tests of the runs.
class RecordingHost final : public RunHost {
public:
    struct Message {
        std::string text;
        MessageIcon icon;
        std::string caption;
    };

    // Language texts: "Section/KEY" -> text. Without an entry a lookup gives
    // "<Section/KEY>", so tests see which text was asked for.
    std::map<std::string, std::string> texts;
    bool answerYes = true;
    // Called after each status text is recorded (to press Stop mid-run).
    std::function<void(const std::string&)> onStatus;

    std::vector<std::string> statuses;
    std::vector<int> progress;
    std::vector<bool> controlsEnabled;
    std::vector<Message> messages;
    std::vector<std::string> questions;

    void SetStatusText(const std::string& text) override;
    void SetProgress(int position) override { progress.push_back(position); }
    void SetControlsEnabled(bool enabled) override { controlsEnabled.push_back(enabled); }
    std::string LanguageText(const std::string& section, const std::string& key) override;
    void ShowMessage(const std::string& text, MessageIcon icon,
                     const std::string& caption) override {
        messages.push_back({text, icon, caption});
    }
    bool AskYesNo(const std::string& text) override {
        questions.push_back(text);
        return answerYes;
    }
    const KelCurrentDirectory& StartDirectory() const override { return startDirectory; }

    // The directory current when the host was made stands for the start-up one.
    KelCurrentDirectory startDirectory;
};

}  // namespace testsupport
