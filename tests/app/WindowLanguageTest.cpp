// Languages on the window: captions only where a text is given, texts kept
// across languages, the status line, tooltips made once.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextDocumentFragment>
#include <QToolTip>
#include <algorithm>

#include "WindowTestSupport.h"
#include "app/CKelvaneDlg.h"
#include "config/Language.h"
#include "support/Files.h"

namespace {

using windowtest::Control;

QString ButtonText(const CKelvaneDlg& window, int id) {
    return Control<QPushButton>(window, id)->text();
}

// A tip as text, its lines separated by '\n'.
QString PlainToolTip(const CKelvaneDlg& window, int id) {
    return QTextDocumentFragment::fromHtml(Control(window, id)->toolTip())
        .toPlainText()
        .replace(QChar::LineSeparator, '\n')
        .replace(QChar::Nbsp, ' ');
}

const char* const FULL_LANGUAGE =
    "[Button]\r\n0=B0\r\n1=B1\r\n2=B2\r\n3=B3\r\n4=B4\r\n5=B5\r\n6=B6\r\n7=B7\r\nREF=R\r\n"
    "[CheckBox]\r\n0=C0\r\n1=C1\r\n2=C2\r\n3=C3\r\n4=C4\r\n5=C5\r\n6=C6\r\n7=C7\r\n8=C8\r\n"
    "9=C9\r\n10=C10\r\n11=C11\r\n"
    "[EditBox]\r\n0=E0\r\n1=E1\r\n2=E2\r\n3=E3\r\n4=E4\r\n5=E5\r\n"
    "[GroupBox]\r\n0=G0\r\n1=G1\r\n2=G2\r\n3=G3\r\n4=G4\r\n5=G5\r\n6=G6\r\n"
    "[State]\r\nWAIT=Waiting\r\n";

}  // namespace

class WindowLanguageTest final : public QObject {
    Q_OBJECT

private slots:
    void OnlyTheStartButtonChanges() {
        windowtest::StartDirectory start;
        start.WriteLanguage("Only", "[Button]\r\n0=Go\r\n");
        CKelvaneDlg window;
        window.SetStatusText("before");
        window.OnInitDialog();

        QCOMPARE(ButtonText(window, 1008), QString("Go"));
        QCOMPARE(ButtonText(window, 2), QString("Exit"));
        QCOMPARE(ButtonText(window, 3), QString("Stop Renaming"));
        QCOMPARE(ButtonText(window, 1039), QString("Add"));
        QCOMPARE(ButtonText(window, 1004), QString("..."));
        QCOMPARE(Control<QCheckBox>(window, 1010)->text(), QString("Scan Subdirectories"));
        QCOMPARE(Control<QLabel>(window, 1047)->text(), QString("Directory to Scan"));
        QCOMPARE(Control<QGroupBox>(window, 1053)->title(), QString("Presets"));
        // Without a "State"/"WAIT" of its own the built-in English one shows.
        QVERIFY(!window.LanguageText("State", "WAIT").empty());
        QCOMPARE(Control<QLabel>(window, 1034)->text(),
                 QString::fromStdString(window.LanguageText("State", "WAIT")));
        QCOMPARE(Control<QComboBox>(window, 1057)->currentText(), QString("Only"));
    }

    void EveryKeyCaptionsItsControl() {
        windowtest::StartDirectory start;
        start.WriteLanguage("Full", FULL_LANGUAGE);
        CKelvaneDlg window;
        window.OnInitDialog();

        const int buttons[] = {1008, 1009, 2, 1039, 1040, 3, 5, 1064};
        for (int i = 0; i < 8; ++i) QCOMPARE(ButtonText(window, buttons[i]), QString("B%1").arg(i));
        for (int id : {1004, 1005, 1006, 1016}) QCOMPARE(ButtonText(window, id), QString("R"));
        const int checks[] = {1010, 1013, 1014, 1035, 1036, 1037,
                              1041, 1042, 1043, 1044, 1045, 1046};
        for (int i = 0; i < 12; ++i) {
            QCOMPARE(Control<QCheckBox>(window, checks[i])->text(), QString("C%1").arg(i));
        }
        const int labels[] = {1047, 1048, 1049, 1050, 1051, 1052};
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(Control<QLabel>(window, labels[i])->text(), QString("E%1").arg(i));
        }
        const int groups[] = {1053, 1054, 1055, 1056, 1058, 1060};
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(Control<QGroupBox>(window, groups[i])->title(), QString("G%1").arg(i));
        }
        // The System and Language groups the user sees take the texts of
        // the hidden ones; the formula's group has a key of its own.
        QCOMPARE(Control<QGroupBox>(window, 1062)->title(), QString("G1"));
        QCOMPARE(Control<QGroupBox>(window, 1061)->title(), QString("G4"));
        QCOMPARE(Control<QGroupBox>(window, 1063)->title(), QString("G6"));
        // Names keep their texts.
        QCOMPARE(Control<QLabel>(window, -1)->text(), QString("Ver. " ORVANE_VERSION));
        QCOMPARE(window.windowTitle(), QString("Orvane"));
        QCOMPARE(Control<QLabel>(window, 1034)->text(), QString("Waiting"));
    }

    void SwitchingKeepsTextsTheNewLanguageLacks() {
        windowtest::StartDirectory start;
        start.WriteLanguage("Alpha",
                            "[Button]\r\n0=Start A\r\n2=Exit A\r\n"
                            "[MessageBox]\r\nDONE_1=Discs A\r\n[State]\r\nWAIT=Ready A\r\n");
        start.WriteLanguage("Beta", "[Button]\r\n0=Start B\r\n[State]\r\nRENAME=Renaming B\r\n");
        testsupport::WriteFile(start / "Setting.ini",
                               "[Orvane setting file Ver1]\r\n[General]\r\nLanguage=Alpha\r\n");
        CKelvaneDlg window;
        window.OnInitDialog();
        QCOMPARE(ButtonText(window, 1008), QString("Start A"));

        auto* languages = Control<QComboBox>(window, 1057);
        QCOMPARE(languages->count(), 2);
        languages->setCurrentIndex(1);
        QCOMPARE(ButtonText(window, 1008), QString("Start B"));
        QCOMPARE(ButtonText(window, 2), QString("Exit A"));
        QCOMPARE(window.LanguageText("MessageBox", "DONE_1"), std::string("Discs A"));
        QCOMPARE(window.LanguageText("State", "RENAME"), std::string("Renaming B"));
        QCOMPARE(Control<QLabel>(window, 1034)->text(), QString("Ready A"));

        // The choice is remembered with the settings when the window closes.
        window.reject();
        QVERIFY(testsupport::ReadFile(start / "Setting.ini").find("Language=Beta\r\n") !=
                std::string::npos);
    }

    void TooltipsFollowTheLanguage() {
        windowtest::StartDirectory start;
        start.WriteLanguage("First",
                            "[ToolTips]\r\n2000=Folder tip\r\n2005=List tip\r\n2100=Sub tip\r\n"
                            "2111=Batch tip\r\n2200=Start tip & <more>\r\n2206=List run tip\r\n"
                            "2400=System tip\r\n2402=Drive tip\r\n2201=\r\n");
        start.WriteLanguage("Second", "[ToolTips]\r\n2000=Other folder tip\r\n");
        CKelvaneDlg window;
        window.OnInitDialog();

        QCOMPARE(PlainToolTip(window, 1000), QString("Folder tip"));
        QCOMPARE(PlainToolTip(window, 1011), QString("List tip"));
        QCOMPARE(PlainToolTip(window, 1010), QString("Sub tip"));
        QCOMPARE(PlainToolTip(window, 1046), QString("Batch tip"));
        QCOMPARE(PlainToolTip(window, 1008), QString("Start tip & <more>"));
        QCOMPARE(PlainToolTip(window, 5), QString("List run tip"));
        QCOMPARE(PlainToolTip(window, 1033), QString("System tip"));
        QCOMPARE(PlainToolTip(window, 1059), QString("Drive tip"));
        // An empty text makes no tip; a missing one the built-in English tip.
        QCOMPARE(Control(window, 1009)->toolTip(), QString());
        QCOMPARE(PlainToolTip(window, 1002).replace('\n', ' '),
                 QString::fromStdString(window.LanguageText("ToolTips", "2001")));
        QVERIFY(window.testAttribute(Qt::WA_AlwaysShowToolTips));

        Control<QComboBox>(window, 1057)->setCurrentIndex(1);
        QCOMPARE(PlainToolTip(window, 1000), QString("Other folder tip"));
        QCOMPARE(PlainToolTip(window, 1011), QString("List tip"));
    }

    // Shown, the widest tip is as wide in a language written with spaces
    // between words as in one without: long tips wrap at one width.
    void TipsWrapAtOneWidthInEveryLanguage() {
        if (QFontDatabase::families(QFontDatabase::Japanese).isEmpty()) {
            QSKIP("no Japanese font (scripts/install-deps installs one)");
        }
        windowtest::StartDirectory start;
        const std::string shipped = config::LanguageFolder("/nonexistent");
        for (const std::string name : {"English", "Japanese"}) {
            testsupport::WriteFile(start / ("language/" + name + ".ini"),
                                   testsupport::ReadFile(shipped + "/" + name + ".ini"));
        }
        CKelvaneDlg window;
        window.OnInitDialog();
        window.show();
        for (const char* language : {"English", "Japanese"}) {
            QVERIFY(window.SelectLanguageByName(language));
            int widest = 0;
            for (int id : {1000, 1001, 1002, 1011, 1010, 1013, 1008, 2, 1033, 1057}) {
                QWidget* control = Control(window, id);
                QToolTip::showText(control->mapToGlobal(QPoint(1, 1)), control->toolTip(), control);
                QApplication::processEvents();
                for (QWidget* top : QApplication::topLevelWidgets()) {
                    if (top->inherits("QTipLabel")) widest = std::max(widest, top->width());
                }
                QToolTip::hideText();
            }
            QVERIFY2(widest > 250 && widest < 330,
                     qPrintable(QString("%1: %2").arg(language).arg(widest)));
        }
    }

    void WithoutLanguageFilesTheTemplateStays() {
        windowtest::StartDirectory start;
        CKelvaneDlg window;
        window.SetStatusText("before");
        window.OnInitDialog();
        QCOMPARE(ButtonText(window, 1008), QString("Start Renaming"));
        QCOMPARE(Control<QComboBox>(window, 1057)->count(), 0);
        // Messages are never blank: the English texts are built in.
        QVERIFY(!window.LanguageText("MessageBox", "FOLDER_NOT_FOUND").empty());
        // No language applied: the status line keeps its text.
        QCOMPARE(Control<QLabel>(window, 1034)->text(), QString("before"));
    }
};

WINDOW_TEST_SUITE(WindowLanguageTest)

#include "WindowLanguageTest.moc"
