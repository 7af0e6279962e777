#pragma once

// The window (Qt), one of the two front ends over the run layer.

#include <QDialog>
#include <QFont>
#include <QIcon>
#include <QPointer>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/DialogTemplate.h"
#include "app/KelvanePlanDlg.h"
#include "app/RunHostWindow.h"
#include "app/WindowRunHost.h"
#include "config/WindowModel.h"
#include "platform/KelCurrentDirectory.h"
#include "run/RunSettings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMimeData;
class QProgressBar;
class QPushButton;
class QScrollArea;

// The program's one window: every input of a run, the presets and the
// language, Start and Stop, the status line and the progress bar. Its state
// lives in a WindowModel; the controls are copied into the model before an
// operation and back afterwards. Runs go on a worker thread and reach the
// window through a WindowRunHost.
class CKelvaneDlg final : public QDialog, public RunHostWindow {
    Q_OBJECT

public:
    // Captures the current directory as the start-up directory and creates
    // the controls with their template captions; nothing is loaded yet.
    CKelvaneDlg();
    // A run still going is stopped and waited for.
    ~CKelvaneDlg() override;

    // Loads the settings, the preset and the language, then the tooltips.
    void OnInitDialog();

    // The window operations the runs use, on the window's thread.
    QObject& Receiver() override { return *this; }
    void SetStatusText(const std::string& text) override;
    void SetProgress(int position) override;
    void SetControlsEnabled(bool enabled) override;
    const std::string& LanguageText(const std::string& section,
                                    const std::string& key) const override;
    void ShowMessageBox(const std::string& text, MessageIcon icon,
                        const std::string& caption) override;
    bool AskYesNoBox(const std::string& text) override;

    // Applies a language from the list as choosing it in the Language box
    // does, without showing anything (used to render the window).
    bool SelectLanguageByName(const std::string& name);

signals:
    void statusTextChanged(const QString& text);
    // A run has ended and its thread is gone; Start can start the next.
    void runFinished();

protected:
    // Exit, Escape and the close box end here: the settings are saved, then
    // the window closes. During a run the run is stopped first.
    void done(int result) override;
    // Escape is the key of the Exit button: while a run has Exit disabled,
    // it does nothing. Enter does nothing during a run either.
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Files dragged onto an edit box are dropped on the window, not pasted
    // into the box as text.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool IsRunActive() const { return runThread.joinable(); }

    void CreateControls();
    QWidget* CreateControl(const ControlTemplate& control);
    // The room the screen leaves the window, below its title bar.
    QSize ScreenRoom() const;
    // The dialog font at the desktop's size when the template fits the
    // screen at that size; else the largest size at which it fits, but not
    // smaller than three quarters of the desktop's (high scale factors on
    // small screens, where the window would otherwise hide its buttons).
    QFont FontThatFits(QFont font) const;
    // As large as the template, but never larger than the screen: a screen
    // too small even for the smallest font scrolls the controls.
    void FitToScreen(const QSize& templateSize);
    template <typename Widget>
    Widget* Control(int id) const;
    void ConnectCommands();

    void ControlsToModel();
    void ModelToControls();
    void ApplyLanguageCaptions();
    void NameControlsAfterCaptions();
    void CreateToolTips();
    void ShowStatusText();
    // Before the inputs close: remembers where the focus is and gives it to
    // the window itself. Disabling the focused Start would hand the focus on
    // to Exit, where the next Enter would close the window.
    void ParkFocus();
    // Shows why the renaming formula would not name the discs as meant;
    // true when the user starts the run anyway.
    bool StartDespite(const std::string& warning);
    // Tells the user which settings files could not be written.
    void ReportUnwritten(const std::vector<std::string>& files);

    enum class RunKind { Rename, List, Preview };
    // Starts a run over the window's state; the preview shows its plan in
    // the plan window and saves nothing.
    void Start(RunKind kind);
    // Runs `work` on the run's thread (which then ends as a run ends).
    void StartWork(std::function<void()> work);
    void ShowOptions();
    // Takes back the run `run` counting back from the journal, or with
    // `dryRun` shows what that would do, in the plan window.
    void Undo(int run, bool dryRun);
    // Merges DAT files the user picks into the database file.
    void ImportDat();
    void Stop();
    void OnRunFinished();
    void AddRecord();
    void AddPreset();
    void DeletePreset();
    void SelectPreset(int index);
    void SelectLanguage(int index);
    void BrowseFolder();
    void BrowseFile(QLineEdit* edit);
    bool AcceptsDrop(const QMimeData& data) const;
    void DropPaths(const QMimeData& data);

    const KelCurrentDirectory startDirectory;
    WindowModel model;
    RunState runState;
    RunSettings runSettings;
    WindowRunHost host;
    QIcon icon;

    // The plan of a preview or an undo; the window's child, made once, in
    // the window's font.
    KelvanePlanDlg* planWindow = nullptr;
    QScrollArea* scroller = nullptr;
    // Holds every control, at the template's places.
    QWidget* page = nullptr;
    std::array<QLineEdit*, EDIT_COUNT> edits{};
    std::array<QCheckBox*, CHECK_COUNT> checks{};
    std::array<QPushButton*, COMMAND_BUTTON_IDS.size()> commandButtons{};
    std::array<QPushButton*, 4> browseButtons{};
    std::array<QComboBox*, 3> combos{};
    QPushButton* startButton = nullptr;
    QPushButton* listRunButton = nullptr;
    QPushButton* stopButton = nullptr;
    QPushButton* exitButton = nullptr;
    QListWidget* presetList = nullptr;
    QComboBox* systemBox = nullptr;
    QComboBox* languageBox = nullptr;
    QComboBox* driveBox = nullptr;
    QProgressBar* progressBar = nullptr;
    QLabel* statusLine = nullptr;
    // The whole status text; the line shows it shortened in the middle when
    // it is too long, so the file name at its end stays in view.
    QString statusText;

    std::thread runThread;
    // Where the focus was when inputs were closed; it goes back there when
    // they open again (disabling the focused button moves the focus on, and
    // Enter would then press Exit).
    QPointer<QWidget> focusBeforeRun;
    bool focusRemembered = false;
    // Settings files the Start before the run could not write, reported
    // when the run has ended.
    std::vector<std::string> unwrittenAtStart;
    // A close was asked for during a run: the window closes when the run
    // has finished writing what it writes at its end.
    bool closePending = false;
};
