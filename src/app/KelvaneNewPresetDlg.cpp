#include "app/KelvaneNewPresetDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "core/RunHost.h"

KelvaneNewPresetDlg::KelvaneNewPresetDlg(QWidget* parent)
    : QDialog(parent), nameEdit(new QLineEdit(this)) {
    setWindowTitle(APPLICATION_TITLE);
    auto* label = new QLabel("Configuration name", this);
    label->setBuddy(nameEdit);
    nameEdit->setObjectName("name");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
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
