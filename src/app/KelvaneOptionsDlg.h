#pragma once

#include <QDialog>
#include <array>

#include "config/ControlIndexes.h"

class QCheckBox;
class QLineEdit;
class WindowModel;

// What the main window has no room for: the check boxes it keeps hidden
// (the image checksum, the full-width characters names keep, release dates,
// the rename batch, the add file's priority, archives in lists), the add
// file, and the commands beside the rename run (its preview, undo, Add
// Record, Make List, DAT files). OK, or a command, stores the settings in
// the model; Cancel leaves it as it was.
class KelvaneOptionsDlg final : public QDialog {
    Q_OBJECT

public:
    enum class Command { None, Preview, Undo, AddRecord, MakeList, ImportDat };

    KelvaneOptionsDlg(QWidget* parent, WindowModel& model);

    // The command the dialog was closed with; None for OK.
    Command Chosen() const { return chosen; }

private:
    QCheckBox* AddCheck(int index);
    void Close(Command command);
    void BrowseAddFile();

    WindowModel& model;
    // The check boxes shown here, by check index; the first two are the
    // main window's.
    std::array<QCheckBox*, CHECK_COUNT> checks{};
    QLineEdit* addFile;
    Command chosen = Command::None;
};
