#include "app/KelvaneOptionsDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/WindowTexts.h"
#include "config/WindowModel.h"
#include "core/RunHost.h"

namespace {

constexpr int TOOLTIP_CHECK_KEY = 2100;
constexpr int TOOLTIP_ADD_FILE_KEY = 2003;

// A group box captioned from the language, holding `layout`.
QGroupBox* Group(QWidget* parent, const WindowModel& model, const char* key, QLayout* layout) {
    auto* group = new QGroupBox(ToQString(model.LanguageText("GroupBox", key)), parent);
    group->setLayout(layout);
    return group;
}

}  // namespace

KelvaneOptionsDlg::KelvaneOptionsDlg(QWidget* parent, WindowModel& model)
    : QDialog(parent), model(model), addFile(new QLineEdit(this)) {
    setObjectName("options");
    // The main window's font, made smaller on a small screen, so that the
    // dialog fits there too.
    setAttribute(Qt::WA_WindowPropagation);
    setFont(parent->font());
    setWindowTitle(QString(APPLICATION_TITLE) + " - " +
                   ToQString(model.LanguageText("Dialog", "OPTIONS")));

    auto* renaming = new QVBoxLayout;
    for (int index : {CHECK_IMAGE_CHECKSUM, CHECK_SET_TIMES, CHECK_WRITE_BATCH}) {
        renaming->addWidget(AddCheck(index));
    }
    renaming->addStretch();
    // Two columns keep the dialog low enough for a small screen.
    auto* width = new QGridLayout;
    for (int index = CHECK_FULLWIDTH_SPECIAL; index <= CHECK_FULLWIDTH_PUNCTUATION; ++index) {
        const int place = index - CHECK_FULLWIDTH_SPECIAL;
        width->addWidget(AddCheck(index), place / 2, place % 2);
    }

    // A command closes the dialog as OK does, then the window carries it out.
    auto command = [this, &model](const char* name, const char* captionKey, const char* tipKey,
                                  Command which) {
        auto* button = new QPushButton(ToQString(model.LanguageText("Button", captionKey)), this);
        button->setObjectName(name);
        button->setAutoDefault(false);
        SetToolTip(*button, model.LanguageText("ToolTips", tipKey));
        connect(button, &QPushButton::clicked, this, [this, which] { Close(which); });
        return button;
    };

    addFile->setObjectName("addFile");
    addFile->setText(ToQString(model.edits[EDIT_ADD_DATABASE]));
    SetToolTip(*addFile, model.LanguageText("ToolTips", std::to_string(TOOLTIP_ADD_FILE_KEY)));
    auto* addFileLabel = new QLabel(ToQString(model.LanguageText("EditBox", "3")), this);
    addFileLabel->setBuddy(addFile);
    addFile->setAccessibleName(addFileLabel->text());
    auto* browse = new QPushButton(ToQString(model.LanguageText("Button", "REF")), this);
    browse->setObjectName("browseAddFile");
    browse->setAutoDefault(false);
    browse->setAccessibleName(addFileLabel->text());
    connect(browse, &QPushButton::clicked, this, &KelvaneOptionsDlg::BrowseAddFile);
    auto* addFileRow = new QHBoxLayout;
    addFileRow->addWidget(addFile, 1);
    addFileRow->addWidget(browse);
    auto* databaseCommands = new QHBoxLayout;
    databaseCommands->addWidget(command("addRecord", "1", "2201", Command::AddRecord));
    databaseCommands->addWidget(command("makeList", "6", "2206", Command::MakeList));
    databaseCommands->addWidget(
        command("importDat", "IMPORT_DAT", "IMPORT_DAT", Command::ImportDat));
    auto* database = new QVBoxLayout;
    database->addWidget(addFileLabel);
    database->addLayout(addFileRow);
    database->addWidget(AddCheck(CHECK_ADD_PRIORITY));
    database->addWidget(AddCheck(CHECK_SEARCH_ARCHIVES));
    database->addLayout(databaseCommands);

    auto* runs = new QHBoxLayout;
    runs->addWidget(command("preview", "PREVIEW", "PREVIEW", Command::Preview));
    runs->addWidget(command("undo", "UNDO", "UNDO", Command::Undo));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    SetCaption(*buttons->button(QDialogButtonBox::Ok), model.LanguageText("Button", "OK"));
    SetCaption(*buttons->button(QDialogButtonBox::Cancel), model.LanguageText("Button", "CANCEL"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { Close(Command::None); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Group(this, model, "OPTIONS_RENAMING", renaming), 0, 0);
    grid->addWidget(Group(this, model, "OPTIONS_WIDTH", width), 1, 0);
    grid->addWidget(Group(this, model, "OPTIONS_DATABASE", database), 0, 1);
    grid->addWidget(Group(this, model, "OPTIONS_RUNS", runs), 1, 1, Qt::AlignTop);
    grid->addWidget(buttons, 2, 0, 1, 2);
}

QCheckBox* KelvaneOptionsDlg::AddCheck(int index) {
    const std::string key = std::to_string(index);
    auto* check = new QCheckBox(ToQString(model.LanguageText("CheckBox", key)), this);
    check->setObjectName("check" + QString::number(index));
    // A run counts a box as ticked only for the value 1, and so does the window.
    check->setChecked(model.checks[std::size_t(index)] == 1);
    SetToolTip(*check, model.LanguageText("ToolTips", std::to_string(TOOLTIP_CHECK_KEY + index)));
    checks[std::size_t(index)] = check;
    return check;
}

void KelvaneOptionsDlg::Close(Command command) {
    for (std::size_t i = 0; i < checks.size(); ++i) {
        if (checks[i] != nullptr) model.checks[i] = checks[i]->isChecked() ? 1 : 0;
    }
    model.edits[EDIT_ADD_DATABASE] = addFile->text().toStdString();
    chosen = command;
    accept();
}

void KelvaneOptionsDlg::BrowseAddFile() {
    QFileDialog dialog(this);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // Cancelling keeps the file that was there.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    addFile->setText(dialog.selectedFiles().first());
}
