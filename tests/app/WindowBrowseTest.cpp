// Browsing for the folder and for files, and files dropped on the window.
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "WindowTestSupport.h"
#include "app/CKelvaneDlg.h"
#include "support/Files.h"

namespace {

using windowtest::Control;

QLineEdit* Edit(const CKelvaneDlg& window, int id) {
    return Control<QLineEdit>(window, id);
}

// Drops the paths on a widget (the window, or a control of it) as a file
// manager does: the URLs of the files, and their paths as text.
bool Drop(QWidget& target, const std::vector<std::string>& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& path : paths) urls << QUrl::fromLocalFile(QString::fromStdString(path));
    data.setUrls(urls);
    QStringList text;
    for (const QUrl& url : urls) text << url.toString();
    data.setText(text.join('\n'));
    const QPoint place = target.rect().center();
    QDragEnterEvent enter(place, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    if (!enter.isAccepted()) return false;
    QDragMoveEvent move(place, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &move);
    QDropEvent drop(place, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &drop);
    return drop.isAccepted();
}

class BrowseWindow {
public:
    BrowseWindow() {
        start.WriteLanguage("Test", windowtest::TEST_LANGUAGE);
        window.OnInitDialog();
        window.show();
    }

    windowtest::StartDirectory start;
    windowtest::ModalAnswerer answerer;
    CKelvaneDlg window;
};

}  // namespace

class WindowBrowseTest final : public QObject {
    Q_OBJECT

private slots:
    void DropAFileAndAFolderTogether() {
        BrowseWindow browse;
        testsupport::MakeDirs(browse.start / "images");
        testsupport::WriteFile(browse.start / "games.csv", "");
        Edit(browse.window, 1000)->setText("old folder");
        Edit(browse.window, 1001)->setText("old database");

        QVERIFY(Drop(browse.window, {browse.start / "images", browse.start / "games.csv",
                                     browse.start / "missing"}));
        QCOMPARE(Edit(browse.window, 1000)->text(),
                 QString::fromStdString(browse.start / "images"));
        QCOMPARE(Edit(browse.window, 1001)->text(),
                 QString::fromStdString(browse.start / "games.csv"));
    }

    void TheLastFileAndTheLastFolderWin() {
        BrowseWindow browse;
        testsupport::MakeDirs(browse.start / "one");
        testsupport::MakeDirs(browse.start / "two");
        testsupport::WriteFile(browse.start / "first.csv", "");
        testsupport::WriteFile(browse.start / "second.csv", "");
        QVERIFY(Drop(browse.window, {browse.start / "first.csv", browse.start / "one",
                                     browse.start / "second.csv", browse.start / "two"}));
        QCOMPARE(Edit(browse.window, 1000)->text(), QString::fromStdString(browse.start / "two"));
        QCOMPARE(Edit(browse.window, 1001)->text(),
                 QString::fromStdString(browse.start / "second.csv"));
    }

    // A folder dropped on the formula box is the folder to scan, not text
    // pasted into the formula.
    void DropOnAnEditBoxIsADropOnTheWindow() {
        BrowseWindow browse;
        testsupport::MakeDirs(browse.start / "images");
        testsupport::WriteFile(browse.start / "games.csv", "");
        Edit(browse.window, 1002)->setText("%n [%i]");
        QVERIFY(Drop(*Edit(browse.window, 1002), {browse.start / "images"}));
        QVERIFY(Drop(*Edit(browse.window, 1000), {browse.start / "games.csv"}));
        QCOMPARE(Edit(browse.window, 1002)->text(), QString("%n [%i]"));
        QCOMPARE(Edit(browse.window, 1000)->text(),
                 QString::fromStdString(browse.start / "images"));
        QCOMPARE(Edit(browse.window, 1001)->text(),
                 QString::fromStdString(browse.start / "games.csv"));
    }

    void NothingThatExistsChangesNothing() {
        BrowseWindow browse;
        Edit(browse.window, 1000)->setText("kept");
        Drop(browse.window, {browse.start / "missing", browse.start / "*"});
        QCOMPARE(Edit(browse.window, 1000)->text(), QString("kept"));
        QCOMPARE(Edit(browse.window, 1001)->text(), QString());
    }

    void CancellingTheFolderPickerKeepsTheFolder() {
        BrowseWindow browse;
        Edit(browse.window, 1000)->setText("kept");
        QString title;
        QFileDialog::FileMode mode = QFileDialog::AnyFile;
        browse.answerer.onFileDialog = [&](QFileDialog& dialog) {
            title = dialog.windowTitle();
            mode = dialog.fileMode();
            dialog.reject();
        };
        QTest::mouseClick(Control(browse.window, 1004), Qt::LeftButton);
        QCOMPARE(title, QString("Pick the folder"));
        QCOMPARE(mode, QFileDialog::Directory);
        QCOMPARE(Edit(browse.window, 1000)->text(), QString("kept"));
    }

    void TheFolderPickerFillsTheFolder() {
        BrowseWindow browse;
        testsupport::MakeDirs(browse.start / "images");
        browse.answerer.onFileDialog = [&](QFileDialog& dialog) {
            dialog.selectFile(QString::fromStdString(browse.start / "images"));
            // As the Open button does; accept() is public on QDialog.
            static_cast<QDialog&>(dialog).accept();
        };
        QTest::mouseClick(Control(browse.window, 1004), Qt::LeftButton);
        QCOMPARE(Edit(browse.window, 1000)->text(),
                 QString::fromStdString(browse.start / "images"));
    }

    void CancellingTheFileDialogEmptiesTheEdit() {
        BrowseWindow browse;
        const std::pair<int, int> browsers[] = {{1005, 1001}, {1006, 1003}, {1016, 1007}};
        for (const auto& [button, edit] : browsers) {
            Edit(browse.window, edit)->setText("emptied");
            QFileDialog::FileMode mode = QFileDialog::Directory;
            browse.answerer.onFileDialog = [&](QFileDialog& dialog) {
                mode = dialog.fileMode();
                dialog.reject();
            };
            Control<QPushButton>(browse.window, button)->click();
            QCOMPARE(mode, QFileDialog::ExistingFile);
            QCOMPARE(Edit(browse.window, edit)->text(), QString());
        }
    }

    void TheFileDialogFillsItsEdit() {
        BrowseWindow browse;
        testsupport::WriteFile(browse.start / "games.csv", "");
        browse.answerer.onFileDialog = [&](QFileDialog& dialog) {
            dialog.selectFile(QString::fromStdString(browse.start / "games.csv"));
            // As the Open button does; accept() is public on QDialog.
            static_cast<QDialog&>(dialog).accept();
        };
        QTest::mouseClick(Control(browse.window, 1005), Qt::LeftButton);
        QCOMPARE(Edit(browse.window, 1001)->text(),
                 QString::fromStdString(browse.start / "games.csv"));
    }
};

WINDOW_TEST_SUITE(WindowBrowseTest)

#include "WindowBrowseTest.moc"
