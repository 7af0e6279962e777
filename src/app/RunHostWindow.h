#pragma once

#include <QObject>
#include <string>

#include "core/RunHost.h"

// What the host of a run needs of the window: the operations a run asks for,
// each carried out on the thread of `Receiver`, the window's thread.
class RunHostWindow {
public:
    virtual ~RunHostWindow() = default;

    // The object on whose thread requests are carried out; a request posted
    // to it goes away with it.
    virtual QObject& Receiver() = 0;

    virtual void SetStatusText(const std::string& text) = 0;
    virtual void SetProgress(int position) = 0;
    virtual void SetControlsEnabled(bool enabled) = 0;
    virtual const std::string& LanguageText(const std::string& section,
                                            const std::string& key) const = 0;
    virtual void ShowMessageBox(const std::string& text, MessageIcon icon,
                                const std::string& caption) = 0;
    virtual bool AskYesNoBox(const std::string& text) = 0;
};
