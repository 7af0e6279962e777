// Runs started from the window: the worker thread, what the window shows
// while it works, Stop, the hidden list run, closing during a run, and the
// window staying responsive.
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "WindowTestSupport.h"
#include "app/CKelvaneDlg.h"
#include "platform/FileOps.h"
#include "support/Files.h"

namespace {

constexpr int RUN_TIMEOUT_MS = 60000;

using windowtest::Control;

using windowtest::RunWindow;
using windowtest::Seen;

int Count(const std::vector<Seen>& seen, const QString& prefix) {
    int count = 0;
    for (const Seen& entry : seen) count += entry.status.startsWith(prefix) ? 1 : 0;
    return count;
}

}  // namespace

class WindowRunTest final : public QObject {
    Q_OBJECT

private slots:
    // A formula cut short would name every disc wrongly: the window asks
    // first, and No starts nothing.
    void AFormulaCutShortIsQuestionedBeforeTheRun() {
        RunWindow run;
        const windowtest::Collection games = windowtest::MakeCollection(run.start.Path(), 1);
        run.Fill(games);
        Control<QLineEdit>(run.window, 1002)->setText("%n [%i");
        QSignalSpy finished(&run.window, &CKelvaneDlg::runFinished);
        for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
            run.answerer.questionAnswer = answer;
            QTest::mouseClick(run.Button(1008), Qt::LeftButton);
            QTRY_VERIFY(!run.answerer.boxes.empty());
            QCOMPARE(run.answerer.boxes.front().icon, QMessageBox::Warning);
            QVERIFY(run.answerer.boxes.front().text.contains("cut short at ["));
            if (answer == QMessageBox::No) {
                QTest::qWait(200);
                QCOMPARE(finished.count(), 0);
                QVERIFY(platform::IsExistingFile(games.folder + "/Game000.iso"));
                run.answerer.boxes.clear();
            }
        }
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, RUN_TIMEOUT_MS);
        QVERIFY(platform::IsExistingFile(games.folder + "/Title 0 [SLPM10000.iso"));
    }

    void StartRunsOnAWorkerAndReports() {
        RunWindow run;
        const windowtest::Collection games = windowtest::MakeCollection(run.start.Path(), 3, 1);
        run.Fill(games);
        QSignalSpy finished(&run.window, &CKelvaneDlg::runFinished);
        bool stopEnabledAtSummary = false;
        run.answerer.onBox = [&](QMessageBox&) {
            stopEnabledAtSummary = run.Button(3)->isEnabled();
        };
        run.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&run.window));

        QTest::mouseClick(run.Button(1008), Qt::LeftButton);
        // Start is closed at once, before the run has disabled anything:
        // neither a second click nor Enter can start a second run.
        QVERIFY(!run.Button(1008)->isEnabled());
        QVERIFY(!run.Button(5)->isEnabled());
        QTest::mouseClick(run.Button(1008), Qt::LeftButton);
        QTest::keyClick(Control(run.window, 1000), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, RUN_TIMEOUT_MS);

        const QString folder = QString::fromStdString(games.folder);
        // The disc the database lacks is in the error log, and the discs
        // found are new to the lists: the summary names both.
        const QString start = QString::fromStdString(run.start.Path());
        const QString summary = "Discs:4 Renamed:3 Not renamed:1\nSee the log: " + start +
                                "/error_log.txt\nThe have and miss lists hold new discs: " + start +
                                "/Have list (PS2).txt, " + start + "/Miss list (PS2).txt";
        const QStringList expected{
            "Listing",
            "Database",
            "Have list",
            "Identifying : " + folder + "/Game000",
            "Renaming : " + folder + "/Game000",
            "Identifying : " + folder + "/Game001",
            "Renaming : " + folder + "/Game001",
            "Identifying : " + folder + "/Game002",
            "Renaming : " + folder + "/Game002",
            "Identifying : " + folder + "/Unknown000",
            "Renaming : " + folder + "/Unknown000",
            "Done.  " + summary,
            "Idle",  // once the summary has been dismissed
        };
        QStringList statuses;
        for (const Seen& entry : run.seen) statuses << entry.status;
        QCOMPARE(statuses, expected);
        run.seen.pop_back();
        for (const Seen& entry : run.seen) {
            QVERIFY(!entry.startEnabled);
            QVERIFY(entry.stopEnabled);
            QVERIFY(!entry.folderEnabled);
            QVERIFY(!entry.exitEnabled);
        }

        QCOMPARE(int(run.answerer.boxes.size()), 1);
        QCOMPARE(run.answerer.boxes[0].text, summary);
        QCOMPARE(run.answerer.boxes[0].caption, QString("Orvane"));
        QCOMPARE(run.answerer.boxes[0].icon, QMessageBox::Information);
        // The run waits for the summary: there is nothing left to stop.
        QVERIFY(!stopEnabledAtSummary);

        QVERIFY(std::find(run.progress.begin(), run.progress.end(), 65536) != run.progress.end());
        QVERIFY(std::is_sorted(run.progress.begin(), run.progress.end() - 1));
        QCOMPARE(run.progress.back(), 0);

        QVERIFY(run.Button(1008)->isEnabled());
        QVERIFY(run.Button(2)->isEnabled());
        QVERIFY(run.Button(5)->isEnabled());
        QVERIFY(!run.Button(3)->isEnabled());
        QVERIFY(Control(run.window, 1000)->isEnabled());
        QVERIFY(Control(run.window, 1038)->isEnabled());
        // The focus is back on Start, where the click put it, so that Enter
        // does not press Exit.
        QCOMPARE(run.window.focusWidget(), run.Button(1008));

        const std::vector<std::string> names = testsupport::ListNames(games.folder);
        QCOMPARE(names,
                 (std::vector<std::string>{"Title 0 [SLPM10000].iso", "Title 1 [SLPM10001].iso",
                                           "Title 2 [SLPM10002].iso", "Unknown000.iso"}));
        // Start put the window's state on disk first.
        const std::string settings = testsupport::ReadFile(run.start / "Setting.ini");
        QVERIFY(settings.find("EDIT2=" + games.database + "\r\n") != std::string::npos);
        QVERIFY(settings.find("EDIT5=%n\r\n") != std::string::npos);

        // A finished run leaves the window ready for the next; the renamed
        // discs already carry their names. Started with Enter in an edit,
        // the focus goes back to that edit.
        run.seen.clear();
        Control(run.window, 1002)->setFocus();
        QTest::keyClick(Control(run.window, 1002), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, RUN_TIMEOUT_MS);
        QCOMPARE(Count(run.seen, "Listing"), 1);
        QCOMPARE(run.answerer.boxes.back().text,
                 "Discs:4 Renamed:0 Already named:3 Not renamed:1\nSee the log: " + start +
                     "/error_log.txt");
        QCOMPARE(run.window.focusWidget(), Control(run.window, 1002));
    }

    void StopEndsTheRunAfterTheDiscInHand() {
        RunWindow run;
        const windowtest::Collection games = windowtest::MakeCollection(run.start.Path(), 300);
        run.Fill(games);
        QSignalSpy finished(&run.window, &CKelvaneDlg::runFinished);
        bool stopDisabledByClick = false;
        run.onStatus = [&](const QString& text) {
            if (!text.startsWith("Identifying") || !run.Button(3)->isEnabled()) return;
            run.Button(3)->click();
            stopDisabledByClick = !run.Button(3)->isEnabled();
        };

        QTest::mouseClick(run.Button(1008), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, RUN_TIMEOUT_MS);

        QVERIFY(stopDisabledByClick);
        QCOMPARE(int(run.answerer.boxes.size()), 1);
        const QString summary = run.answerer.boxes[0].text;
        // A stopped run counts the discs it reached.
        QVERIFY2(summary.startsWith("Discs:"), qPrintable(summary));
        QVERIFY2(!summary.startsWith("Discs:300 "), qPrintable(summary));
        QVERIFY(Count(run.seen, "Identifying") < 300);
        // The run's finishing steps were done: the lists are written.
        QCOMPARE(platform::KindOf(run.start / "Have list (PS2).txt"), platform::PathKind::File);
        QVERIFY(run.Button(1008)->isEnabled());
        QVERIFY(!run.Button(3)->isEnabled());
    }

    void InputProblemsAreReportedAndTheWindowReopens() {
        RunWindow run;
        const windowtest::Collection games = windowtest::MakeCollection(run.start.Path(), 1);
        run.Fill(games);
        Control<QLineEdit>(run.window, 1000)
            ->setText(QString::fromStdString(run.start / "missing"));
        QSignalSpy finished(&run.window, &CKelvaneDlg::runFinished);

        QTest::mouseClick(run.Button(1008), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, RUN_TIMEOUT_MS);
        QCOMPARE(int(run.answerer.boxes.size()), 1);
        QCOMPARE(run.answerer.boxes[0].text, QString("no folder"));
        QCOMPARE(run.answerer.boxes[0].icon, QMessageBox::Warning);
        QVERIFY(run.Button(1008)->isEnabled());
        QVERIFY(!run.Button(3)->isEnabled());
    }

    void TheHiddenButtonStartsTheListRun() {
        RunWindow run;
        const windowtest::Collection games = windowtest::MakeCollection(run.start.Path(), 0, 2);
        run.Fill(games);
        QSignalSpy finished(&run.window, &CKelvaneDlg::runFinished);

        run.Button(5)->click();
        QVERIFY(!run.Button(1008)->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, RUN_TIMEOUT_MS);
        QCOMPARE(run.answerer.boxes.back().text, QString("listed"));
        const std::string database = testsupport::ReadFile(games.database);
        QVERIFY(database.find("SLPM90000;") != std::string::npos);
        QVERIFY(database.find("SLPM90001;") != std::string::npos);
        QVERIFY(run.Button(5)->isEnabled());
    }

    // Closing during a run stops it and closes once the run has written
    // what it writes at its end; no report holds the close up.
    void CloseDuringARunStopsItFirst() {
        RunWindow run;
        const windowtest::Collection games = windowtest::MakeCollection(run.start.Path(), 300);
        run.Fill(games);
        QSignalSpy finished(&run.window, &CKelvaneDlg::runFinished);
        QSignalSpy closed(&run.window, &QDialog::finished);
        bool closeAsked = false;
        run.onStatus = [&](const QString& text) {
            if (closeAsked || !text.startsWith("Identifying")) return;
            closeAsked = true;
            run.window.close();
        };

        QTest::mouseClick(run.Button(1008), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, RUN_TIMEOUT_MS);
        QCOMPARE(finished.count(), 1);
        QVERIFY(!run.window.isVisible());
        QVERIFY(run.answerer.boxes.empty());
        QVERIFY(Count(run.seen, "Identifying") < 300);
        QCOMPARE(platform::KindOf(run.start / "Have list (PS2).txt"), platform::PathKind::File);
        QCOMPARE(platform::KindOf(run.start / "Setting.ini"), platform::PathKind::File);
    }

    // A window destroyed during a run (not closed) stops the run and waits
    // for its end; what the run still asks of it goes nowhere.
    void DestroyingTheWindowDuringARunWaitsForIt() {
        windowtest::StartDirectory start;
        start.WriteLanguage("Test", windowtest::TEST_LANGUAGE);
        windowtest::ModalAnswerer answerer;
        const windowtest::Collection games = windowtest::MakeCollection(start.Path(), 300);
        auto* window = new CKelvaneDlg;
        window->OnInitDialog();
        window->show();
        Control<QLineEdit>(*window, 1000)->setText(QString::fromStdString(games.folder));
        Control<QLineEdit>(*window, 1001)->setText(QString::fromStdString(games.database));
        Control<QLineEdit>(*window, 1002)->setText("%n [%i]");
        Control<QLineEdit>(*window, 1011)->setText("%n");
        Control<QComboBox>(*window, 1033)->setCurrentIndex(1);
        QObject::connect(window, &CKelvaneDlg::statusTextChanged, [window](const QString& text) {
            if (text.startsWith("Identifying")) window->deleteLater();
        });
        QPointer<CKelvaneDlg> alive(window);

        QTest::mouseClick(Control(*window, 1008), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(alive.isNull(), RUN_TIMEOUT_MS);
        QVERIFY(answerer.boxes.empty());
        QCOMPARE(platform::KindOf(start / "Have list (PS2).txt"), platform::PathKind::File);
        int renamed = 0;
        for (const std::string& name : testsupport::ListNames(games.folder)) {
            renamed += name.rfind("Title ", 0) == 0 ? 1 : 0;
        }
        QVERIFY(renamed < 300);
    }

    // Escape is Exit's key, and Exit is disabled during a run.
    void EscapeDuringARunDoesNotClose() {
        RunWindow run;
        const windowtest::Collection games = windowtest::MakeCollection(run.start.Path(), 50);
        run.Fill(games);
        QSignalSpy finished(&run.window, &CKelvaneDlg::runFinished);
        QSignalSpy closed(&run.window, &QDialog::finished);
        bool escapePressed = false;
        run.onStatus = [&](const QString& text) {
            if (escapePressed || !text.startsWith("Identifying")) return;
            escapePressed = true;
            QTest::keyClick(&run.window, Qt::Key_Escape);
        };

        QTest::mouseClick(run.Button(1008), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, RUN_TIMEOUT_MS);
        QVERIFY(escapePressed);
        QCOMPARE(closed.count(), 0);
        QCOMPARE(run.answerer.boxes.back().text.section('\n', 0, 0),
                 QString("Discs:50 Renamed:50 Not renamed:0"));

        QTest::keyClick(&run.window, Qt::Key_Escape);
        QCOMPARE(closed.count(), 1);
        QCOMPARE(platform::KindOf(run.start / "Setting.ini"), platform::PathKind::File);
    }

    // A timer on the window's thread keeps firing while the run works
    // through 200 discs; the longest pause between its ticks is reported.
    void TheWindowStaysResponsiveDuringARun() {
        RunWindow run;
        const windowtest::Collection games = windowtest::MakeCollection(run.start.Path(), 200);
        run.Fill(games);
        QSignalSpy finished(&run.window, &CKelvaneDlg::runFinished);
        auto* progress = Control<QProgressBar>(run.window, 1012);

        QElapsedTimer clock;
        qint64 lastTick = -1;
        qint64 longestGap = 0;
        int ticksWhileWorking = 0;
        QTimer ticker;
        ticker.setInterval(5);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            if (lastTick >= 0) longestGap = std::max(longestGap, now - lastTick);
            lastTick = now;
            const int position = progress->value();
            if (position > 0 && position < 65536) ++ticksWhileWorking;
        });

        clock.start();
        ticker.start();
        QTest::mouseClick(run.Button(1008), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, RUN_TIMEOUT_MS);
        ticker.stop();
        const qint64 runTime = clock.elapsed();

        QCOMPARE(run.answerer.boxes.back().text.section('\n', 0, 0),
                 QString("Discs:200 Renamed:200 Not renamed:0"));
        QVERIFY(ticksWhileWorking > 0);
        qInfo(
            "run over 200 discs: %lld ms; timer ticks while the run worked: %d; "
            "longest gap between ticks: %lld ms",
            static_cast<long long>(runTime), ticksWhileWorking, static_cast<long long>(longestGap));
    }
};

WINDOW_TEST_SUITE(WindowRunTest)

#include "WindowRunTest.moc"
