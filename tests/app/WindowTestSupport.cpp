#include "WindowTestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <cstdio>

#include "support/Files.h"
#include "support/IsoBuilder.h"

namespace windowtest {

namespace {

std::vector<std::pair<std::string, SuiteFactory>>& SuiteList() {
    static std::vector<std::pair<std::string, SuiteFactory>> suites;
    return suites;
}

constexpr int ANSWER_INTERVAL_MS = 5;

// The boot file name of a code number: 10000 -> "SLPM_100.00".
std::string BootFileName(int number) {
    char name[32];
    std::snprintf(name, sizeof name, "SLPM_%03d.%02d", number / 100, number % 100);
    return name;
}

void WriteDisc(const std::string& path, int number) {
    testsupport::IsoBuilder builder;
    const std::string boot = BootFileName(number);
    builder.AddFile("SYSTEM.CNF", "BOOT2 = cdrom0:\\" + boot + ";1\r\n");
    builder.AddFile(boot, "boot file of " + boot);
    testsupport::WriteIso(builder.Build(), path);
}

}  // namespace

void RegisterSuite(const char* name, SuiteFactory factory) {
    SuiteList().emplace_back(name, std::move(factory));
}

const std::vector<std::pair<std::string, SuiteFactory>>& Suites() {
    return SuiteList();
}

ModalAnswerer::ModalAnswerer() {
    connect(&timer, &QTimer::timeout, this, &ModalAnswerer::Answer);
    timer.start(ANSWER_INTERVAL_MS);
}

void ModalAnswerer::Answer() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) return;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        boxes.push_back({box->text(), box->windowTitle(), box->icon()});
        if (onBox) onBox(*box);
        QAbstractButton* yes = box->button(QMessageBox::Yes);
        QAbstractButton* button =
            yes != nullptr ? box->button(questionAnswer) : box->button(QMessageBox::Ok);
        if (button != nullptr) {
            button->click();
        } else {
            box->reject();
        }
    } else if (auto* files = qobject_cast<QFileDialog*>(modal)) {
        if (onFileDialog) {
            onFileDialog(*files);
        } else {
            files->reject();
        }
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        if (onOtherDialog) {
            onOtherDialog(*dialog);
        } else {
            dialog->reject();
        }
    }
}

StartDirectory::StartDirectory() : current(dir.Path()) {
    testsupport::MakeDirs(dir / "language");
}

void StartDirectory::WriteLanguage(const std::string& name, const std::string& body) const {
    testsupport::WriteFile(dir / ("language/" + name + ".ini"),
                           "[Orvane language file Ver1]\r\n" + body);
}

const char* const TEST_LANGUAGE =
    "[EditBox]\r\n"
    "PRESET_NAME=Name of the preset\r\n"
    "[MessageBox]\r\n"
    "DATABASE_NOT_FOUND=no database\r\n"
    "DONE_1=Discs\r\n"
    "DONE_2=Renamed\r\n"
    "DONE_3=Not renamed\r\n"
    "DONE_4=Done.\r\n"
    "ERROR_LOG_LINES=See the log:\r\n"
    "FOLDER_NOT_FOUND=no folder\r\n"
    "LIST_DONE_1=listed\r\n"
    "MODE_NOT_SELECTED=no system\r\n"
    "ADD_COMPLETE=merged\r\n"
    "PRESET_DELETE_1=Delete '\r\n"
    "PRESET_DELETE_2='?\r\n"
    "SELECT_FOLDER=Pick the folder\r\n"
    "[State]\r\n"
    "DATABASE_ADD=Merging\r\n"
    "FILE_ENUMERATION=Listing\r\n"
    "GET_ID=Identifying\r\n"
    "HAVE_LIST_READ=Have list\r\n"
    "READ_DATABASE=Database\r\n"
    "READY=Idle\r\n"
    "RENAME=Renaming\r\n"
    "WAIT=Ready\r\n";

Collection MakeCollection(const std::string& parent, int known, int unknown) {
    Collection collection;
    collection.folder = parent + "/games";
    collection.database = parent + "/games.csv";
    collection.discs = known + unknown;
    testsupport::MakeDirs(collection.folder);
    std::string lines;
    char name[32];
    for (int i = 0; i < known; ++i) {
        std::snprintf(name, sizeof name, "/Game%03d.iso", i);
        WriteDisc(collection.folder + name, 10000 + i);
        lines +=
            "SLPM" + std::to_string(10000 + i) + ";Title " + std::to_string(i) + ";;;;;;PS2;;\r\n";
    }
    for (int i = 0; i < unknown; ++i) {
        std::snprintf(name, sizeof name, "/Unknown%03d.iso", i);
        WriteDisc(collection.folder + name, 90000 + i);
    }
    testsupport::WriteFile(collection.database, lines);
    return collection;
}

RunWindow::RunWindow() {
    start.WriteLanguage("Test", TEST_LANGUAGE);
    window.OnInitDialog();
    QObject::connect(&window, &CKelvaneDlg::statusTextChanged, [this](const QString& text) {
        seen.push_back({text, Control(window, 1008)->isEnabled(), Control(window, 3)->isEnabled(),
                        Control(window, 1000)->isEnabled(), Control(window, 2)->isEnabled()});
        if (onStatus) onStatus(text);
    });
    QObject::connect(Control<QProgressBar>(window, 1012), &QProgressBar::valueChanged,
                     [this](int value) { progress.push_back(value); });
    window.show();
}

void RunWindow::Fill(const Collection& collection) {
    Control<QLineEdit>(window, 1000)->setText(QString::fromStdString(collection.folder));
    Control<QLineEdit>(window, 1001)->setText(QString::fromStdString(collection.database));
    Control<QLineEdit>(window, 1002)->setText("%n [%i]");
    Control<QLineEdit>(window, 1011)->setText("%n");
    Control<QComboBox>(window, 1033)->setCurrentIndex(1);
}

}  // namespace windowtest
