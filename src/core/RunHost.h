#pragma once

// The core layer: the few types every layer above shares (the host of a run,
// message icons, the indexes of the window's fields, how a run ended).

#include <initializer_list>
#include <string>
#include <string_view>

class KelCurrentDirectory;

// The caption of every message box the program shows, unless a box names its own.
inline constexpr const char* APPLICATION_TITLE = "Orvane";

enum class MessageIcon { Warning, Information };

// What a run asks of the window it was started from. The runs and the disc
// handlers reach the window only through this class: the Qt window executes
// each request on its own thread, the terminal front end prints, tests record.
class RunHost {
public:
    virtual ~RunHost();

    // Replaces the text of the status line.
    virtual void SetStatusText(const std::string& text) = 0;
    // Moves the progress bar; its range is 0 to 65536.
    virtual void SetProgress(int position) = 0;
    // false: disables every input and enables Stop; true: the reverse.
    virtual void SetControlsEnabled(bool enabled) = 0;
    // The text of the current language for a section and key, empty when absent.
    virtual std::string LanguageText(const std::string& section, const std::string& key) = 0;
    // Shows a message with an OK button and returns when the user has closed it.
    virtual void ShowMessage(const std::string& text, MessageIcon icon,
                             const std::string& caption = APPLICATION_TITLE) = 0;
    // Asks a yes/no question; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    // The directory that was current when the program started.
    virtual const KelCurrentDirectory& StartDirectory() const = 0;
};

// A language text with each "%1", "%2", ... replaced by the first, second, ...
// value; inserted values are not searched again (a path may hold "%2").
std::string FillPlaceholders(std::string_view text, std::initializer_list<std::string_view> values);
