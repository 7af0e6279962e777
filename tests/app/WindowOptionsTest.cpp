// The options dialog: the settings the main window keeps hidden, and the
// commands beside the rename run (its preview, undo, the database commands
// and DAT files), with the plan window that shows a preview or an undo.
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

#include "WindowTestSupport.h"
#include "app/CKelvaneDlg.h"
#include "platform/FileOps.h"
#include "support/Files.h"

namespace {

constexpr int RUN_TIMEOUT_MS = 60000;

using windowtest::Control;
using windowtest::RunWindow;

// The hidden check boxes of the main window, by their check index.
const std::pair<int, int> HIDDEN_CHECKS[] = {
    {2, 1014}, {3, 1035}, {4, 1036}, {5, 1037},  {6, 1041},
    {7, 1042}, {8, 1043}, {9, 1044}, {10, 1045}, {11, 1046},
};

// Opens the options dialog and hands it to `use`, which closes it.
void WithOptions(RunWindow& run, const std::function<void(QDialog&)>& use) {
    bool opened = false;
    run.answerer.onOtherDialog = [&](QDialog& dialog) {
        opened = true;
        use(dialog);
    };
    run.Button(1064)->click();
    run.answerer.onOtherDialog = nullptr;
    QVERIFY(opened);
}

void Click(QDialog& dialog, const char* name) {
    QPushButton* button = dialog.findChild<QPushButton*>(name);
    QVERIFY2(button != nullptr, name);
    button->click();
}

// The plan window's rows, each as "step|file|detail".
QStringList PlanRows(const CKelvaneDlg& window) {
    QStringList rows;
    auto* steps = window.findChild<QTreeWidget*>("steps");
    for (int i = 0; i < steps->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = steps->topLevelItem(i);
        rows << row->text(0) + "|" + row->text(1) + "|" + row->text(2);
    }
    return rows;
}

QString Path(const std::string& folder, const char* name) {
    return QString::fromStdString(folder + "/" + name);
}

}  // namespace

class WindowOptionsTest final : public QObject {
    Q_OBJECT

private slots:
    // The dialog shows the states of the hidden boxes and the add file; OK
    // stores what it shows, Cancel nothing.
    void ShowsAndStoresTheHiddenSettings() {
        RunWindow run;
        for (const auto& [index, id] : HIDDEN_CHECKS) {
            Control<QCheckBox>(run.window, id)->setChecked(index % 2 == 0);
        }
        Control<QLineEdit>(run.window, 1003)->setText("more.csv");

        WithOptions(run, [](QDialog& dialog) {
            for (const auto& [index, id] : HIDDEN_CHECKS) {
                auto* check = dialog.findChild<QCheckBox*>("check" + QString::number(index));
                QVERIFY2(check != nullptr, qPrintable(QString::number(index)));
                QCOMPARE(check->isChecked(), index % 2 == 0);
                check->setChecked(index % 2 != 0);
            }
            auto* addFile = dialog.findChild<QLineEdit*>("addFile");
            QCOMPARE(addFile->text(), QString("more.csv"));
            addFile->setText("other.csv");
            Click(dialog, "ok");
        });
        for (const auto& [index, id] : HIDDEN_CHECKS) {
            QCOMPARE(Control<QCheckBox>(run.window, id)->isChecked(), index % 2 != 0);
        }
        QCOMPARE(Control<QLineEdit>(run.window, 1003)->text(), QString("other.csv"));

        WithOptions(run, [](QDialog& dialog) {
            for (QCheckBox* check : dialog.findChildren<QCheckBox*>()) check->toggle();
            dialog.findChild<QLineEdit*>("addFile")->setText("dropped.csv");
            dialog.reject();
        });
        for (const auto& [index, id] : HIDDEN_CHECKS) {
            QCOMPARE(Control<QCheckBox>(run.window, id)->isChecked(), index % 2 != 0);
        }
        QCOMPARE(Control<QLineEdit>(run.window, 1003)->text(), QString("other.csv"));
    }

    // The preview names every disc as a rename run would, and changes
    // nothing: no file moved, no list, log, journal or settings written.
    void PreviewShowsThePlanAndChangesNothing() {
        RunWindow run;
        const windowtest::Collection games = windowtest::MakeCollection(run.start.Path(), 2, 1);
        run.Fill(games);
        QSignalSpy finished(&run.window, &CKelvaneDlg::runFinished);

        WithOptions(run, [](QDialog& dialog) { Click(dialog, "preview"); });
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, RUN_TIMEOUT_MS);

        QVERIFY(run.window.findChild<QWidget*>("plan")->isVisible());
        QTRY_COMPARE(PlanRows(run.window),
                     (QStringList{
                         "rename|" + Path(games.folder, "Game000.iso") + "|" +
                             Path(games.folder, "Title 0 [SLPM10000].iso"),
                         "rename|" + Path(games.folder, "Game001.iso") + "|" +
                             Path(games.folder, "Title 1 [SLPM10001].iso"),
                         "skip|" + Path(games.folder, "Unknown000") + "|not in database",
                     }));
        QCOMPARE(run.window.findChild<QLabel*>("counted")->text(),
                 QString("Renames: 2  Rewrites: 0  Folders: 0  Skipped: 1"));
        QCOMPARE(testsupport::ListNames(games.folder),
                 (std::vector<std::string>{"Game000.iso", "Game001.iso", "Unknown000.iso"}));
        QCOMPARE(testsupport::ListNames(run.start.Path()),
                 (std::vector<std::string>{"games", "games.csv", "language"}));
        QCOMPARE(int(run.answerer.boxes.size()), 1);
        QVERIFY(run.Button(1008)->isEnabled());
    }

    // Undo shows what taking the last run back would do, and Take Back
    // does it; without a rename run there is nothing to take back.
    void UndoTakesARenameRunBack() {
        RunWindow run;
        const windowtest::Collection games = windowtest::MakeCollection(run.start.Path(), 2);
        run.Fill(games);
        QSignalSpy finished(&run.window, &CKelvaneDlg::runFinished);
        auto takeBack = [&] { return run.window.findChild<QPushButton*>("takeBack"); };
        auto outcome = [&] { return run.window.findChild<QLabel*>("outcome"); };

        WithOptions(run, [](QDialog& dialog) { Click(dialog, "undo"); });
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, RUN_TIMEOUT_MS);
        QTRY_COMPARE(outcome()->text(), QString("There is no rename run to take back."));
        QVERIFY(!takeBack()->isEnabled());
        QVERIFY(run.answerer.boxes.empty());

        run.Button(1008)->click();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, RUN_TIMEOUT_MS);
        const std::vector<std::string> renamed{"Title 0 [SLPM10000].iso",
                                               "Title 1 [SLPM10001].iso"};
        QCOMPARE(testsupport::ListNames(games.folder), renamed);

        WithOptions(run, [](QDialog& dialog) { Click(dialog, "undo"); });
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 3, RUN_TIMEOUT_MS);
        QTRY_VERIFY(takeBack()->isEnabled());
        QCOMPARE(PlanRows(run.window),
                 (QStringList{
                     "rename|" + Path(games.folder, "Title 1 [SLPM10001].iso") + "|" +
                         Path(games.folder, "Game001.iso"),
                     "rename|" + Path(games.folder, "Title 0 [SLPM10000].iso") + "|" +
                         Path(games.folder, "Game000.iso"),
                 }));
        QVERIFY(run.window.findChild<QLabel*>("runName")->text().endsWith(
            " in " + QString::fromStdString(games.folder)));
        QCOMPARE(outcome()->text(),
                 QString("Would be taken back: 2 files, 0 rewritten files, 0 folders. Left as "
                         "they are: 0."));
        QCOMPARE(testsupport::ListNames(games.folder), renamed);

        takeBack()->click();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 4, RUN_TIMEOUT_MS);
        QCOMPARE(testsupport::ListNames(games.folder),
                 (std::vector<std::string>{"Game000.iso", "Game001.iso"}));
        QCOMPARE(run.answerer.boxes.back().text,
                 QString("Taken back: 2 files, 0 rewritten files, 0 folders. Left as they are: "
                         "0."));
        QCOMPARE(PlanRows(run.window).size(), 2);
        QVERIFY(!takeBack()->isEnabled());
        QVERIFY(run.Button(1008)->isEnabled());
    }

    // Make List and Add Record of the dialog are the main window's hidden
    // commands.
    void DatabaseCommands() {
        RunWindow run;
        const windowtest::Collection games = windowtest::MakeCollection(run.start.Path(), 0, 1);
        run.Fill(games);
        QSignalSpy finished(&run.window, &CKelvaneDlg::runFinished);
        WithOptions(run, [](QDialog& dialog) { Click(dialog, "makeList"); });
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, RUN_TIMEOUT_MS);
        QCOMPARE(run.answerer.boxes.back().text, QString("listed"));
        QVERIFY(testsupport::ReadFile(games.database).find("SLPM90000;") != std::string::npos);

        testsupport::WriteFile(run.start / "more.csv", "SLPS00001;First;;;;;;PS2;;\r\n");
        WithOptions(run, [&](QDialog& dialog) {
            dialog.findChild<QLineEdit*>("addFile")->setText(
                QString::fromStdString(run.start / "more.csv"));
            Click(dialog, "addRecord");
        });
        QCOMPARE(run.answerer.boxes.back().text, QString("merged"));
        QVERIFY(testsupport::ReadFile(games.database).find("SLPS00001;First;") !=
                std::string::npos);
    }

    // DAT files picked in a file dialog are merged into the database file
    // for the system chosen; without a system nothing is asked.
    void ImportDatMergesTheChosenFiles() {
        RunWindow run;
        const windowtest::Collection games = windowtest::MakeCollection(run.start.Path(), 0);
        run.Fill(games);
        testsupport::WriteFile(run.start / "ps2.dat",
                               "game ( name \"Third Game (Japan)\" serial \"SLPM-65003\" )\n"
                               "game ( name \"Demo\" )\n");
        QSignalSpy finished(&run.window, &CKelvaneDlg::runFinished);
        int fileDialogs = 0;
        run.answerer.onFileDialog = [&](QFileDialog& dialog) {
            ++fileDialogs;
            QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFiles);
            dialog.selectFile(QString::fromStdString(run.start / "ps2.dat"));
            static_cast<QDialog&>(dialog).accept();
        };

        WithOptions(run, [](QDialog& dialog) { Click(dialog, "importDat"); });
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, RUN_TIMEOUT_MS);
        QCOMPARE(fileDialogs, 1);
        QCOMPARE(run.answerer.boxes.back().text,
                 QString("The DAT files have been merged into the database file. Games: 2  "
                         "Added: 1  Updated: 0  Skipped: 1"));
        QCOMPARE(testsupport::ReadFile(games.database),
                 std::string("SLPM65003;Third Game (Japan);;SLPM-65003;;;;PS2;;\r\n"));

        Control<QComboBox>(run.window, 1033)->setCurrentIndex(-1);
        WithOptions(run, [](QDialog& dialog) { Click(dialog, "importDat"); });
        QCOMPARE(run.answerer.boxes.back().text, QString("no system"));
        QCOMPARE(fileDialogs, 1);
    }
};

WINDOW_TEST_SUITE(WindowOptionsTest)

#include "WindowOptionsTest.moc"
