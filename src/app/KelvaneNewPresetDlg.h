#pragma once

#include <QDialog>
#include <string>

class QLineEdit;

// Asks for the name of a new preset: "Configuration name", one edit box that
// has the focus, OK and Cancel.
class KelvaneNewPresetDlg final : public QDialog {
    Q_OBJECT

public:
    explicit KelvaneNewPresetDlg(QWidget* parent);

    // The name as typed.
    std::string Name() const;

private:
    QLineEdit* nameEdit;
};
