#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPushButton>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/CKelvaneDlg.h"
#include "support/CurrentDirectory.h"
#include "support/TempDir.h"

class QDialog;
class QFileDialog;

namespace windowtest {

// The window's test suites, each a QtTest class, registered by name so the
// one test program can run them one at a time.
using SuiteFactory = std::function<std::unique_ptr<QObject>()>;
void RegisterSuite(const char* name, SuiteFactory factory);
const std::vector<std::pair<std::string, SuiteFactory>>& Suites();

#define WINDOW_TEST_SUITE(Class)                                                             \
    namespace {                                                                              \
    const bool Class##Registered =                                                           \
        (windowtest::RegisterSuite(#Class, [] { return std::make_unique<Class>(); }), true); \
    }

// A control of the window by its template id, wherever it lies inside.
template <typename Widget = QWidget>
Widget* Control(const QWidget& window, int id) {
    return window.findChild<Widget*>(QString::number(id));
}

// Plays the user in front of the modal dialogs the window opens: a timer on
// the window's thread looks for the active modal dialog and answers it. Every
// message box is recorded; questions get `questionAnswer`, other boxes OK.
// File dialogs and other dialogs go to their handlers (default: Cancel).
class ModalAnswerer final : public QObject {
public:
    struct Box {
        QString text;
        QString caption;
        QMessageBox::Icon icon;
    };

    ModalAnswerer();

    std::vector<Box> boxes;
    QMessageBox::StandardButton questionAnswer = QMessageBox::Yes;
    // Called with each message box before it is answered.
    std::function<void(QMessageBox&)> onBox;
    std::function<void(QFileDialog&)> onFileDialog;
    std::function<void(QDialog&)> onOtherDialog;

private:
    void Answer();

    QTimer timer;
};

// A start-up directory of its own, current while the test runs, holding a
// language folder with the test's texts (so the installed languages are
// never taken instead).
class StartDirectory {
public:
    StartDirectory();
    std::string operator/(const std::string& name) const { return dir / name; }
    const std::string& Path() const { return dir.Path(); }

    // language/<name>.ini with the language header and `body`.
    void WriteLanguage(const std::string& name, const std::string& body) const;

private:
    testsupport::TempDir dir;
    testsupport::ScopedCurrentDirectory current;
};

// Status, message and tooltip texts of the language the window tests use.
extern const char* const TEST_LANGUAGE;

// A folder of PlayStation 2 discs named Game000.iso, Game001.iso, ... whose
// codes are SLPM10000, SLPM10001, ..., and a database that names every one of
// them "Title <n>". `unknown` more discs (Unknown000.iso, ...) carry codes the
// database lacks.
struct Collection {
    std::string folder;
    std::string database;
    int discs = 0;
};
Collection MakeCollection(const std::string& parent, int known, int unknown = 0);

// What the window showed at one status text.
struct Seen {
    QString status;
    bool startEnabled;
    bool stopEnabled;
    bool folderEnabled;
    bool exitEnabled;
};

// A window opened in its own start-up directory with the test language,
// ready to run over a collection of PS2 discs; it records what it shows.
class RunWindow {
public:
    RunWindow();

    // The collection, the formulas "%n [%i]" and "%n", and PS2.
    void Fill(const Collection& collection);
    QPushButton* Button(int id) const { return Control<QPushButton>(window, id); }

    StartDirectory start;
    ModalAnswerer answerer;
    CKelvaneDlg window;
    std::vector<Seen> seen;
    std::vector<int> progress;
    std::function<void(const QString&)> onStatus;
};

}  // namespace windowtest
