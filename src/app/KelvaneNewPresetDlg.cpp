#include "app/KelvaneNewPresetDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/WindowTexts.h"
#include "config/WindowModel.h"
#include "core/RunHost.h"

KelvaneNewPresetDlg::KelvaneNewPresetDlg(QWidget* parent, const WindowModel& model)
    : QDialog(parent), nameEdit(new QLineEdit(this)) {
    setWindowTitle(APPLICATION_TITLE);
    const std::string& labelText = model.LanguageText("EditBox", "PRESET_NAME");
    auto* label =
        new QLabel(labelText.empty() ? QString("Configuration name") : ToQString(labelText), this);
    label->setBuddy(nameEdit);
    nameEdit->setObjectName("name");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    SetCaption(*buttons->button(QDialogButtonBox::Ok), model.LanguageText("Button", "OK"));
    SetCaption(*buttons->button(QDialogButtonBox::Cancel), model.LanguageText("Button", "CANCEL"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(nameEdit);
    layout->addWidget(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(fontMetrics().averageCharWidth() * 40, 0)));
    nameEdit->setFocus();
}

std::string KelvaneNewPresetDlg::Name() const {
    return nameEdit->text().toStdString();
}
