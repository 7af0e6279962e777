// Every control of the window's template: id, kind, caption, visibility,
// place, and the state the window opens with.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTest>

#include "WindowTestSupport.h"
#include "app/CKelvaneDlg.h"

namespace {

struct Expected {
    int id;
    const char* kind;
    const char* text;
    bool visible;
};

// Written out here apart from the window's own table, so a slip in either shows.
const Expected CONTROLS[] = {
    {1047, "QLabel", "Directory to Scan", true},
    {1000, "QLineEdit", "", true},
    {1004, "QPushButton", "...", true},
    {1049, "QLabel", "Database file", true},
    {1001, "QLineEdit", "", true},
    {1005, "QPushButton", "...", true},
    {1063, "QGroupBox", "Renaming Formula (%r %v %l %L %d %s %m %e)", true},
    {1048, "QLabel", "For Files", true},
    {1002, "QLineEdit", "", true},
    {1052, "QLabel", "For Have/Miss List", true},
    {1011, "QLineEdit", "", true},
    {1055, "QGroupBox", "General Settings", true},
    {1010, "QCheckBox", "Scan Subdirectories", true},
    {1013, "QCheckBox", "Rename Folders", true},
    {1064, "QPushButton", "Options...", true},
    {1053, "QGroupBox", "Presets", true},
    {1038, "QListWidget", "", true},
    {1039, "QPushButton", "Add", true},
    {1040, "QPushButton", "Delete", true},
    {1008, "QPushButton", "Start Renaming", true},
    {3, "QPushButton", "Stop Renaming", true},
    {2, "QPushButton", "Exit", true},
    {1061, "QGroupBox", "Language", true},
    {1057, "QComboBox", "", true},
    {1062, "QGroupBox", "System", true},
    {1033, "QComboBox", "", true},
    {1012, "QProgressBar", "", true},
    {1034, "QLabel", "Status Bar", true},
    {-1, "QLabel", "Ver. " ORVANE_VERSION, true},
    {1003, "QLineEdit", "", false},
    {1007, "QLineEdit", "", false},
    {1050, "QLabel", "(not used) New Database File (used when adding new records)", false},
    {1051, "QLabel", "(not used) Daemon Tools Location", false},
    {1006, "QPushButton", "...", false},
    {1016, "QPushButton", "...", false},
    {1009, "QPushButton", "Add Record", false},
    {5, "QPushButton", "", false},
    {1059, "QComboBox", "", false},
    {1014, "QCheckBox", "", false},
    {1035, "QCheckBox", "", false},
    {1036, "QCheckBox", "", false},
    {1037, "QCheckBox", "", false},
    {1041, "QCheckBox", "", false},
    {1042, "QCheckBox", "", false},
    {1043, "QCheckBox", "", false},
    {1044, "QCheckBox", "", false},
    {1045, "QCheckBox", "", false},
    {1046, "QCheckBox", "", false},
    {1054, "QGroupBox", "System", false},
    {1056, "QGroupBox", "", false},
    {1058, "QGroupBox", "Language", false},
    {1060, "QGroupBox", "", false},
};

QString CaptionOf(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
    if (auto* group = qobject_cast<QGroupBox*>(widget)) return group->title();
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
    return QString();
}

QWidget* Control(const CKelvaneDlg& window, int id) {
    return windowtest::Control(window, id);
}

}  // namespace

class WindowControlsTest final : public QObject {
    Q_OBJECT

private slots:
    void EveryControlWithItsTemplateCaption() {
        windowtest::StartDirectory start;
        CKelvaneDlg window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QCOMPARE(window.windowTitle(), QString("Orvane"));
        const QList<QWidget*> all =
            Control(window, 1008)
                ->parentWidget()
                ->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        int controls = 0;
        for (QWidget* child : all) controls += child->objectName().isEmpty() ? 0 : 1;
        QCOMPARE(controls, int(std::size(CONTROLS)));

        for (const Expected& expected : CONTROLS) {
            QWidget* widget = Control(window, expected.id);
            QVERIFY2(widget != nullptr, qPrintable(QString::number(expected.id)));
            QCOMPARE(widget->metaObject()->className(), expected.kind);
            QCOMPARE(CaptionOf(widget), QString::fromUtf8(expected.text));
            QCOMPARE(widget->isVisible(), expected.visible);
            QCOMPARE(widget->isHidden(), !expected.visible);
            if (expected.visible) {
                QVERIFY2(window.rect().contains(widget->geometry()),
                         qPrintable(QString::number(expected.id)));
            }
        }
    }

    void OpensIdleWithStopDisabled() {
        windowtest::StartDirectory start;
        CKelvaneDlg window;
        auto* start1008 = qobject_cast<QPushButton*>(Control(window, 1008));
        QVERIFY(start1008->isDefault());
        QVERIFY(!Control(window, 3)->isEnabled());
        for (int id : {1000, 1001, 1002, 1011, 1004, 1005, 2, 1039, 1040, 1038, 1057, 1033}) {
            QVERIFY2(Control(window, id)->isEnabled(), qPrintable(QString::number(id)));
        }
        auto* progress = qobject_cast<QProgressBar*>(Control(window, 1012));
        QCOMPARE(progress->minimum(), 0);
        QCOMPARE(progress->maximum(), 65536);
        auto* system = qobject_cast<QComboBox*>(Control(window, 1033));
        QCOMPARE(system->count(), 3);
        QCOMPARE(system->itemText(0), QString("PS1"));
        QCOMPARE(system->itemText(1), QString("PS2"));
        QCOMPARE(system->itemText(2), QString("PSP"));
        QCOMPARE(system->currentIndex(), -1);
        QVERIFY(!qobject_cast<QComboBox*>(Control(window, 1057))->isEditable());
        QVERIFY(qobject_cast<QComboBox*>(Control(window, 1059))->isEditable());
        QCOMPARE(qobject_cast<QListWidget*>(Control(window, 1038))->selectionMode(),
                 QAbstractItemView::SingleSelection);
    }

    // The layout follows the template in dialog units of the window's font:
    // a larger font makes a larger window of the same proportions.
    void LaidOutInDialogUnits() {
        windowtest::StartDirectory start;
        CKelvaneDlg window;
        QCOMPARE(window.minimumSize(), window.maximumSize());
        const QRect start1008 = Control(window, 1008)->geometry();
        const QRect folder = Control(window, 1000)->geometry();
        const QRect browse = Control(window, 1004)->geometry();
        QCOMPARE(folder.top(), browse.top());
        QVERIFY(folder.right() < browse.left());
        QVERIFY(browse.right() < start1008.left());
        // 413 by 182 units; the start button 65 units wide at x 343.
        const double unitX = window.width() / 413.0;
        const double unitY = window.height() / 182.0;
        QVERIFY(qAbs(start1008.left() - 343 * unitX) <= 2);
        QVERIFY(qAbs(start1008.width() - 65 * unitX) <= 2);
        QVERIFY(qAbs(start1008.top() - 14 * unitY) <= 2);

        const QFont original = QApplication::font();
        QApplication::setFont(QFont(original.family(), original.pointSize() * 2));
        CKelvaneDlg larger;
        QApplication::setFont(original);
        QVERIFY(larger.width() > window.width());
        QVERIFY(larger.height() > window.height());
    }

    // Screen readers name the edits, browse buttons and lists after the
    // captions beside them, in the language shown.
    void ControlsAreNamedAfterTheirCaptions() {
        windowtest::StartDirectory start;
        start.WriteLanguage("Test", "[EditBox]\r\n0=Scan this\r\n[GroupBox]\r\n0=Sets\r\n");
        CKelvaneDlg window;
        window.OnInitDialog();
        const std::pair<int, const char*> names[] = {
            {1000, "Scan this"},     {1004, "Scan this"}, {1001, "Database file"},
            {1005, "Database file"}, {1002, "For Files"}, {1011, "For Have/Miss List"},
            {1038, "Sets"},          {1057, "Language"},  {1033, "System"},
        };
        for (const auto& [id, name] : names) {
            QCOMPARE(Control(window, id)->accessibleName(), QString(name));
        }
    }

    // On a screen smaller than the window (here the test screen at twice
    // the scale) the window keeps within it and scrolls its controls.
    void FitsTheScreenOrScrolls() {
        windowtest::StartDirectory start;
        CKelvaneDlg window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QSize screen = window.screen()->availableGeometry().size();
        QVERIFY(window.width() <= screen.width());
        QVERIFY(window.height() <= screen.height());
        auto* scroller = window.findChild<QScrollArea*>();
        QWidget* controls = scroller->widget();
        for (int id : {1000, 1008, 2, 1012, 1034, -1}) {
            QWidget* control = Control(window, id);
            scroller->ensureWidgetVisible(control, 0, 0);
            const QRect place(control->mapTo(scroller->viewport(), QPoint(0, 0)), control->size());
            QVERIFY2(scroller->viewport()->rect().intersects(place),
                     qPrintable(QString::number(id)));
        }
        // Scroll bars only where the screen is too small for the controls.
        const bool scrolls = controls->width() > scroller->viewport()->width() ||
                             controls->height() > scroller->viewport()->height();
        QCOMPARE(scrolls, window.size() != controls->size());
    }

    // Where the template fits the screen, at the desktop's font or at a
    // smaller one (1280 by 720 at twice the scale leaves 640 by 360), every
    // control is in view: no scroll bar hides the Start, Stop and Exit column.
    void FitsWithoutScrolling() {
        windowtest::StartDirectory start;
        CKelvaneDlg window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect screen = window.screen()->availableGeometry();
        QVERIFY(window.width() <= screen.width());
        QVERIFY(window.height() <= screen.height());
        auto* scroller = window.findChild<QScrollArea*>();
        QVERIFY(!scroller->horizontalScrollBar()->isVisible());
        QVERIFY(!scroller->verticalScrollBar()->isVisible());
        for (const Expected& expected : CONTROLS) {
            if (!expected.visible) continue;
            QWidget* control = Control(window, expected.id);
            const QRect place(control->mapTo(scroller->viewport(), QPoint(0, 0)), control->size());
            QVERIFY2(scroller->viewport()->rect().contains(place),
                     qPrintable(QString::number(expected.id)));
        }
        // So does the options dialog, in the window's font.
        windowtest::ModalAnswerer answerer;
        QSize options;
        answerer.onOtherDialog = [&](QDialog& dialog) {
            options = dialog.frameGeometry().size();
            dialog.reject();
        };
        qobject_cast<QPushButton*>(Control(window, 1064))->click();
        QVERIFY(options.isValid());
        QVERIFY2(options.width() <= screen.width() && options.height() <= screen.height(),
                 qPrintable(QString("%1x%2").arg(options.width()).arg(options.height())));
    }

    // On a screen where the template fits, the window keeps the desktop's
    // font size.
    void KeepsTheDesktopFontWhereItFits() {
        windowtest::StartDirectory start;
        CKelvaneDlg window;
        QCOMPARE(window.font().pointSizeF(), QApplication::font().pointSizeF());
    }

    void WindowOperationsOfTheRuns() {
        windowtest::StartDirectory start;
        CKelvaneDlg window;
        window.SetControlsEnabled(false);
        for (int id : {1000, 1001, 1002, 1003, 1007, 1011, 1004, 1005, 1006, 1016, 1008,
                       1009, 2,    1039, 1040, 5,    1064, 1010, 1013, 1014, 1035, 1036,
                       1037, 1041, 1042, 1043, 1044, 1045, 1046, 1033, 1057, 1059, 1038}) {
            QVERIFY2(!Control(window, id)->isEnabled(), qPrintable(QString::number(id)));
        }
        QVERIFY(Control(window, 3)->isEnabled());
        for (int id : {1047, 1034, 1012, 1053, 1055}) {
            QVERIFY2(Control(window, id)->isEnabled(), qPrintable(QString::number(id)));
        }
        window.SetControlsEnabled(true);
        QVERIFY(Control(window, 1008)->isEnabled());
        QVERIFY(Control(window, 2)->isEnabled());
        QVERIFY(!Control(window, 3)->isEnabled());

        window.SetStatusText("<b>not markup</b>");
        auto* status = qobject_cast<QLabel*>(Control(window, 1034));
        QCOMPARE(status->text(), QString("<b>not markup</b>"));
        QCOMPARE(status->textFormat(), Qt::PlainText);
        // A long path is shortened in its middle: the disc's name stays in view.
        const QString longPath =
            "Identifying : /" + QString("very long folder/").repeated(20) + "Final Fantasy X";
        window.SetStatusText(longPath.toStdString());
        QVERIFY(status->text().startsWith("Identifying : /"));
        QVERIFY(status->text().endsWith("/Final Fantasy X"));
        QVERIFY(status->fontMetrics().horizontalAdvance(status->text()) <= status->width());
        window.SetProgress(32768);
        QCOMPARE(qobject_cast<QProgressBar*>(Control(window, 1012))->value(), 32768);
    }
};

WINDOW_TEST_SUITE(WindowControlsTest)

#include "WindowControlsTest.moc"
