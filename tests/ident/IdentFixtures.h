#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/KelCurrentDirectory.h"
#include "run/RunHost.h"

namespace identtest {

// A window that records the messages it is asked to show.
class RecordingHost final : public RunHost {
public:
    struct Message {
        std::string text;
        MessageIcon icon;
        std::string caption;
    };

    void SetStatusText(const std::string&) override {}
    void SetProgress(int) override {}
    void SetControlsEnabled(bool) override {}
    std::string LanguageText(const std::string&, const std::string&) override { return {}; }
    void ShowMessage(const std::string& text, MessageIcon icon,
                     const std::string& caption) override {
        messages.push_back({text, icon, caption});
    }
    bool AskYesNo(const std::string&) override { return false; }
    const KelCurrentDirectory& StartDirectory() const override { return startDirectory; }

    std::vector<Message> messages;

private:
    KelCurrentDirectory startDirectory;
};

// Writes a cooked ISO9660 image holding these files (path, content).
void WriteDisc(const std::string& path,
               const std::vector<std::pair<std::string, std::string>>& files);

// `prefix` followed by four bytes chosen so that the whole has the CRC-32
// `crc`: the marker files of the special disc rules are known by checksum.
std::string WithCrc(const std::string& prefix, std::uint32_t crc);

// The CRC text of a file on disk (the checksum under which a boot file is known).
std::string CrcOf(const std::string& content);

// Runs a shell command in `folder`; true when it exits with 0.
bool RunIn(const std::string& folder, const std::string& command);

}  // namespace identtest
