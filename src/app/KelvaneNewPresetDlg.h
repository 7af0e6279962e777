#pragma once

#include <QDialog>
#include <string>

class QLineEdit;
class WindowModel;

// Asks for the name of a new preset: a label ("Configuration name"), one edit
// box that has the focus, OK and Cancel, in the language of `model`.
class KelvaneNewPresetDlg final : public QDialog {
    Q_OBJECT

public:
    KelvaneNewPresetDlg(QWidget* parent, const WindowModel& model);

    // The name as typed.
    std::string Name() const;

private:
    QLineEdit* nameEdit;
};
