// Presets, settings and Add Record from the window: the new-preset dialog,
// switching presets, deleting with Yes and No, the first start.
#include <sys/stat.h>
#include <unistd.h>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "WindowTestSupport.h"
#include "app/CKelvaneDlg.h"
#include "platform/FileOps.h"
#include "platform/ReadOnlyFile.h"
#include "support/Files.h"

namespace {

const std::string PRESET_HEADER = "[Orvane preset file Ver1]\r\n";
const std::string SETTINGS_HEADER = "[Orvane setting file Ver1]\r\n";

using windowtest::Control;

QString EditText(const CKelvaneDlg& window, int id) {
    return Control<QLineEdit>(window, id)->text();
}

QStringList PresetNames(const CKelvaneDlg& window) {
    QStringList names;
    auto* list = Control<QListWidget>(window, 1038);
    for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
    return names;
}

QString SelectedPreset(const CKelvaneDlg& window) {
    QListWidgetItem* item = Control<QListWidget>(window, 1038)->currentItem();
    return item == nullptr ? QString() : item->text();
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A start-up directory with presets Alpha (folder /alpha, PS1, first box
// ticked) and Beta (folder /beta, PSP), Alpha in use.
class PresetWindow {
public:
    PresetWindow() {
        start.WriteLanguage("Test", windowtest::TEST_LANGUAGE);
        testsupport::MakeDirs(start / "preset");
        testsupport::WriteFile(start / "preset/Alpha.ini",
                               PRESET_HEADER +
                                   "[CheckBox]\r\n0=1\r\n[EditBox]\r\n0=/alpha\r\n1=%n\r\n"
                                   "[ListBox]\r\nMACHINE=0\r\n");
        testsupport::WriteFile(start / "preset/Beta.ini",
                               PRESET_HEADER +
                                   "[CheckBox]\r\n0=0\r\n[EditBox]\r\n0=/beta\r\n1=%i\r\n"
                                   "[ListBox]\r\nMACHINE=2\r\n");
        testsupport::WriteFile(start / "Setting.ini",
                               SETTINGS_HEADER + "[General]\r\nCurrentPreset=Alpha\r\n");
        window.OnInitDialog();
        window.show();
    }

    windowtest::StartDirectory start;
    windowtest::ModalAnswerer answerer;
    CKelvaneDlg window;
};

}  // namespace

class WindowPresetTest final : public QObject {
    Q_OBJECT

private slots:
    void OpensWithThePresetInUse() {
        PresetWindow presets;
        QCOMPARE(PresetNames(presets.window), (QStringList{"Alpha", "Beta"}));
        QCOMPARE(SelectedPreset(presets.window), QString("Alpha"));
        QCOMPARE(EditText(presets.window, 1000), QString("/alpha"));
        QCOMPARE(EditText(presets.window, 1002), QString("%n"));
        QVERIFY(Control<QCheckBox>(presets.window, 1010)->isChecked());
        QCOMPARE(Control<QComboBox>(presets.window, 1033)->currentIndex(), 0);
    }

    void AddThroughTheDialog() {
        PresetWindow presets;
        Control<QLineEdit>(presets.window, 1000)->setText("/mine");
        QString caption;
        QString label;
        bool nameHadFocus = false;
        presets.answerer.onOtherDialog = [&](QDialog& dialog) {
            caption = dialog.windowTitle();
            label = dialog.findChild<QLabel*>()->text();
            auto* name = dialog.findChild<QLineEdit*>("name");
            nameHadFocus = dialog.focusWidget() == name;
            name->setText("Mine");
            dialog.accept();
        };
        QTest::mouseClick(Control(presets.window, 1039), Qt::LeftButton);

        QCOMPARE(caption, QString("Orvane"));
        QCOMPARE(label, QString("Name of the preset"));
        QVERIFY(nameHadFocus);
        QCOMPARE(PresetNames(presets.window), (QStringList{"Alpha", "Beta", "Mine"}));
        QCOMPARE(SelectedPreset(presets.window), QString("Mine"));
        QCOMPARE(EditText(presets.window, 1000), QString("/mine"));
        QVERIFY(Contains(testsupport::ReadFile(presets.start / "preset/Mine.ini"), "0=/mine\r\n"));
        // The preset that was in use is left as it was on disk.
        QVERIFY(
            Contains(testsupport::ReadFile(presets.start / "preset/Alpha.ini"), "0=/alpha\r\n"));
    }

    void CancelAddsNothing() {
        PresetWindow presets;
        QTest::mouseClick(Control(presets.window, 1039), Qt::LeftButton);
        QCOMPARE(PresetNames(presets.window), (QStringList{"Alpha", "Beta"}));
        QCOMPARE(testsupport::ListNames(presets.start / "preset"),
                 (std::vector<std::string>{"Alpha.ini", "Beta.ini"}));
    }

    // Leaving a preset stores the window's state in it, not in the one chosen.
    void SelectingStoresTheStateInThePresetLeft() {
        PresetWindow presets;
        Control<QLineEdit>(presets.window, 1000)->setText("/edited");
        Control<QCheckBox>(presets.window, 1013)->setChecked(true);

        Control<QListWidget>(presets.window, 1038)->setCurrentRow(1);

        QCOMPARE(EditText(presets.window, 1000), QString("/beta"));
        QCOMPARE(EditText(presets.window, 1002), QString("%i"));
        QVERIFY(!Control<QCheckBox>(presets.window, 1010)->isChecked());
        QVERIFY(!Control<QCheckBox>(presets.window, 1013)->isChecked());
        QCOMPARE(Control<QComboBox>(presets.window, 1033)->currentIndex(), 2);
        const std::string alpha = testsupport::ReadFile(presets.start / "preset/Alpha.ini");
        QVERIFY(Contains(alpha, "0=/edited\r\n"));
        QVERIFY(Contains(alpha, "[CheckBox]\r\n0=1\r\n1=1\r\n"));
        QVERIFY(Contains(testsupport::ReadFile(presets.start / "preset/Beta.ini"), "0=/beta\r\n"));

        presets.window.reject();
        QVERIFY(Contains(testsupport::ReadFile(presets.start / "Setting.ini"),
                         "CurrentPreset=Beta\r\n"));
    }

    void DeleteWithYes() {
        PresetWindow presets;
        presets.answerer.questionAnswer = QMessageBox::Yes;
        QTest::mouseClick(Control(presets.window, 1040), Qt::LeftButton);

        QCOMPARE(int(presets.answerer.boxes.size()), 1);
        QCOMPARE(presets.answerer.boxes[0].text, QString("Delete 'Alpha'?"));
        QCOMPARE(presets.answerer.boxes[0].caption, QString("Orvane"));
        QCOMPARE(presets.answerer.boxes[0].icon, QMessageBox::Question);
        QCOMPARE(platform::KindOf(presets.start / "preset/Alpha.ini"), platform::PathKind::Missing);
        QCOMPARE(PresetNames(presets.window), (QStringList{"Beta"}));
        QCOMPARE(SelectedPreset(presets.window), QString("Beta"));
        QCOMPARE(EditText(presets.window, 1000), QString("/beta"));
    }

    void DeleteWithNo() {
        PresetWindow presets;
        presets.answerer.questionAnswer = QMessageBox::No;
        Control<QLineEdit>(presets.window, 1000)->setText("/unsaved");
        QTest::mouseClick(Control(presets.window, 1040), Qt::LeftButton);

        QCOMPARE(int(presets.answerer.boxes.size()), 1);
        QCOMPARE(platform::KindOf(presets.start / "preset/Alpha.ini"), platform::PathKind::File);
        QCOMPARE(PresetNames(presets.window), (QStringList{"Alpha", "Beta"}));
        QCOMPARE(SelectedPreset(presets.window), QString("Alpha"));
        QCOMPARE(EditText(presets.window, 1000), QString("/unsaved"));
    }

    void FirstStartTakesTheFirstCsvOfTheStartDirectory() {
        windowtest::StartDirectory start;
        testsupport::WriteFile(start / "b.csv", "");
        testsupport::WriteFile(start / "a.csv", "");
        testsupport::WriteFile(start / "a.txt", "");
        CKelvaneDlg window;
        window.OnInitDialog();
        QCOMPARE(EditText(window, 1001), QString::fromStdString(start / "a.csv"));
        QCOMPARE(EditText(window, 1000), QString());
        QVERIFY(PresetNames(window).isEmpty());
        QCOMPARE(Control<QComboBox>(window, 1033)->currentIndex(), -1);
        // Nothing is written before the window is used.
        QCOMPARE(platform::KindOf(start / "Setting.ini"), platform::PathKind::Missing);
    }

    // Without any preset the window keeps its state in "Default" from the
    // first close on, and opens with it next time.
    void TheFirstCloseKeepsTheStateInADefaultPreset() {
        windowtest::StartDirectory start;
        windowtest::ModalAnswerer answerer;
        {
            CKelvaneDlg window;
            window.OnInitDialog();
            Control<QLineEdit>(window, 1000)->setText("/kept");
            Control<QComboBox>(window, 1033)->setCurrentIndex(2);
            window.reject();
        }
        CKelvaneDlg again;
        again.OnInitDialog();
        QCOMPARE(PresetNames(again), QStringList{"Default"});
        QCOMPARE(SelectedPreset(again), QString("Default"));
        QCOMPARE(EditText(again, 1000), QString("/kept"));
        QCOMPARE(Control<QComboBox>(again, 1033)->currentIndex(), 2);
        QVERIFY(answerer.boxes.empty());
    }

    // Settings that cannot be written are named when the window closes, and
    // what stands in their place is left alone.
    void ClosingNamesSettingsThatCannotBeWritten() {
        PresetWindow presets;
        QCOMPARE(unlink((presets.start / "Setting.ini").c_str()), 0);
        QCOMPARE(mkfifo((presets.start / "Setting.ini").c_str(), 0600), 0);
        presets.window.reject();
        QCOMPARE(int(presets.answerer.boxes.size()), 1);
        QCOMPARE(presets.answerer.boxes[0].text,
                 QString::fromStdString(
                     presets.window.LanguageText("MessageBox", "SETTINGS_NOT_WRITTEN") + "\n" +
                     presets.start / "Setting.ini"));
        QCOMPARE(presets.answerer.boxes[0].icon, QMessageBox::Warning);
        QVERIFY(!presets.window.isVisible());
        QCOMPARE(platform::KindOf(presets.start / "Setting.ini"), platform::PathKind::File);
        QVERIFY(!platform::ReadSmallFile(presets.start / "Setting.ini").IsRead());
    }

    void AddRecordMergesOnTheWindowsThread() {
        PresetWindow presets;
        testsupport::WriteFile(presets.start / "games.csv", "SLPS00002;Second;;;;;;PS1;;\r\n");
        testsupport::WriteFile(presets.start / "more.csv", "SLPS00001;First;;;;;;PS1;;\r\n");
        Control<QLineEdit>(presets.window, 1001)
            ->setText(QString::fromStdString(presets.start / "games.csv"));
        Control<QLineEdit>(presets.window, 1003)
            ->setText(QString::fromStdString(presets.start / "more.csv"));
        bool inputsClosedDuringBox = false;
        presets.answerer.onBox = [&](QMessageBox&) {
            inputsClosedDuringBox = !Control(presets.window, 1008)->isEnabled();
        };

        Control<QPushButton>(presets.window, 1009)->click();

        QCOMPARE(int(presets.answerer.boxes.size()), 1);
        QCOMPARE(presets.answerer.boxes[0].text, QString("merged"));
        QVERIFY(inputsClosedDuringBox);
        QCOMPARE(testsupport::ReadFile(presets.start / "games.csv"),
                 std::string("SLPS00001;First;;;;;;PS1;;\r\nSLPS00002;Second;;;;;;PS1;;\r\n"));
        QCOMPARE(EditText(presets.window, 1003), QString());
        QVERIFY(Control(presets.window, 1008)->isEnabled());
        QVERIFY(!Control(presets.window, 3)->isEnabled());
    }
};

WINDOW_TEST_SUITE(WindowPresetTest)

#include "WindowPresetTest.moc"
