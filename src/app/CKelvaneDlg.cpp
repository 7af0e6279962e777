#include "app/CKelvaneDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <system_error>
#include <utility>

#include "app/CommandReports.h"
#include "app/DialogTemplate.h"
#include "app/KelvaneNewPresetDlg.h"
#include "app/KelvaneOptionsDlg.h"
#include "app/WindowTexts.h"
#include "platform/FileOps.h"
#include "platform/PathText.h"
#include "rename/RenameJournal.h"
#include "rename/RenameUndo.h"
#include "run/AddRecord.h"
#include "run/DatImport.h"
#include "run/FormulaWarning.h"
#include "run/ListRun.h"
#include "run/RenameRun.h"

namespace {

constexpr int PROGRESS_RANGE = 65536;
constexpr int TOOLTIP_EDIT_KEY = 2000;
constexpr int TOOLTIP_CHECK_KEY = 2100;
constexpr int TOOLTIP_BUTTON_KEY = 2200;
constexpr int TOOLTIP_COMBO_KEY = 2400;
// On a screen too small for the template the font shrinks, in these steps,
// down to this share of the desktop's size; below that, the controls scroll.
constexpr qreal FONT_STEP_POINTS = 0.25;
constexpr qreal SMALLEST_FONT_SHARE = 0.75;

// Pixels for dialog units of a font: a quarter of its average character
// width across, an eighth of its height down.
class DialogUnits {
public:
    explicit DialogUnits(const QFontMetrics& metrics)
        : baseWidth(AverageCharacterWidth(metrics)), baseHeight(metrics.height()) {}

    int X(int units) const { return (units * baseWidth + 2) / 4; }
    int Y(int units) const { return (units * baseHeight + 4) / 8; }
    QRect Rect(int x, int y, int width, int height) const {
        return QRect(X(x), Y(y), X(width), Y(height));
    }

private:
    // The average width of the letters, rounded as dialog templates take it.
    static int AverageCharacterWidth(const QFontMetrics& metrics) {
        const int width =
            metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        return (width / 26 + 1) / 2;
    }

    int baseWidth;
    int baseHeight;
};

QSize TemplateSize(const QFont& font) {
    const DialogUnits units{QFontMetrics(font)};
    return QSize(units.X(DIALOG_WIDTH), units.Y(DIALOG_HEIGHT));
}

}  // namespace

CKelvaneDlg::CKelvaneDlg()
    : model(startDirectory), host(*this, startDirectory), icon(":/orvane/orvane.png") {
    setObjectName("102");
    setWindowTitle(DIALOG_CAPTION);
    setWindowIcon(icon);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setAcceptDrops(true);
    // Tips show while the window is not the active one too.
    setAttribute(Qt::WA_AlwaysShowToolTips);

    // The template's typeface at the size the desktop asks for.
    QFont dialogFont = QApplication::font();
    dialogFont.setFamily(DIALOG_FONT_FAMILY);
    setFont(FontThatFits(dialogFont));
    planWindow = new KelvanePlanDlg(this, model);
    CreateControls();
    ConnectCommands();

    model.onLanguageApplied = [this] {
        ApplyLanguageCaptions();
        CreateToolTips();
        SetStatusText(LanguageText("State", "WAIT"));
    };
}

CKelvaneDlg::~CKelvaneDlg() {
    if (!runThread.joinable()) return;
    runState.stopRequested = true;
    host.Detach();
    runThread.join();
}

template <typename Widget>
Widget* CKelvaneDlg::Control(int id) const {
    return page->findChild<Widget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

void CKelvaneDlg::CreateControls() {
    const DialogUnits units{QFontMetrics(font())};
    scroller = new QScrollArea(this);
    scroller->setFrameShape(QFrame::NoFrame);
    // Only the controls take the focus, never the frame around them.
    scroller->setFocusPolicy(Qt::NoFocus);
    page = new QWidget(scroller);
    page->setObjectName("controls");
    page->setFixedSize(TemplateSize(font()));
    for (const ControlTemplate& control : DIALOG_CONTROLS) {
        QWidget* widget = CreateControl(control);
        widget->setObjectName(QString::number(control.id));
        QRect place = units.Rect(control.x, control.y, control.width, control.height);
        // A combo box's template height includes its open list; closed, it is
        // as tall as its font needs.
        if (qobject_cast<QComboBox*>(widget) != nullptr) {
            place.setHeight(std::min(place.height(), widget->sizeHint().height()));
        }
        widget->setGeometry(place);
        if (!control.visible) widget->setHidden(true);
    }

    for (std::size_t i = 0; i < edits.size(); ++i) edits[i] = Control<QLineEdit>(EDIT_IDS[i]);
    for (std::size_t i = 0; i < checks.size(); ++i) checks[i] = Control<QCheckBox>(CHECK_IDS[i]);
    for (std::size_t i = 0; i < commandButtons.size(); ++i) {
        commandButtons[i] = Control<QPushButton>(COMMAND_BUTTON_IDS[i]);
    }
    for (std::size_t i = 0; i < browseButtons.size(); ++i) {
        browseButtons[i] = Control<QPushButton>(BROWSE_BUTTON_IDS[i]);
    }
    for (std::size_t i = 0; i < combos.size(); ++i) combos[i] = Control<QComboBox>(COMBO_IDS[i]);
    startButton = Control<QPushButton>(ID_START);
    listRunButton = Control<QPushButton>(ID_LIST_RUN);
    stopButton = Control<QPushButton>(ID_STOP);
    exitButton = Control<QPushButton>(ID_EXIT);
    presetList = Control<QListWidget>(ID_PRESETS);
    systemBox = Control<QComboBox>(ID_SYSTEM);
    languageBox = Control<QComboBox>(ID_LANGUAGE);
    driveBox = Control<QComboBox>(ID_DRIVES);
    progressBar = Control<QProgressBar>(ID_PROGRESS);
    statusLine = Control<QLabel>(ID_STATUS);

    for (const char* name : SYSTEM_NAMES) systemBox->addItem(name);
    systemBox->setCurrentIndex(-1);
    stopButton->setEnabled(false);
    for (QLineEdit* edit : edits) edit->installEventFilter(this);
    NameControlsAfterCaptions();

    scroller->setWidget(page);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroller);
    FitToScreen(page->size());
}

QSize CKelvaneDlg::ScreenRoom() const {
    const QScreen* display = screen();
    if (display == nullptr) return QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    return display->availableGeometry().size() - QSize(0, titleBar);
}

QFont CKelvaneDlg::FontThatFits(QFont font) const {
    const QSize room = ScreenRoom();
    const qreal full = font.pointSizeF();
    // A font given in pixels (no point size) is taken as it is.
    if (full <= 0) return font;
    const qreal smallest = full * SMALLEST_FONT_SHARE;
    for (qreal size = full; size > smallest; size -= FONT_STEP_POINTS) {
        font.setPointSizeF(size);
        const QSize needed = TemplateSize(font);
        if (needed.width() <= room.width() && needed.height() <= room.height()) return font;
    }
    font.setPointSizeF(smallest);
    return font;
}

void CKelvaneDlg::FitToScreen(const QSize& templateSize) {
    setFixedSize(templateSize.boundedTo(ScreenRoom()));
}

QWidget* CKelvaneDlg::CreateControl(const ControlTemplate& control) {
    const QString text = QString::fromUtf8(control.text);
    switch (control.kind) {
        case ControlKind::Label: {
            auto* label = new QLabel(text, page);
            // File names and language texts are shown as written, never as markup.
            label->setTextFormat(Qt::PlainText);
            return label;
        }
        case ControlKind::Edit:
            return new QLineEdit(page);
        case ControlKind::Button:
            return new QPushButton(text, page);
        case ControlKind::DefaultButton: {
            auto* button = new QPushButton(text, page);
            button->setDefault(true);
            return button;
        }
        case ControlKind::CheckBox:
            return new QCheckBox(text, page);
        case ControlKind::GroupBox: {
            auto* group = new QGroupBox(text, page);
            // The caption sits on the frame line, so the frame holds its
            // controls at the template's places.
            group->setStyleSheet(
                "QGroupBox { border: 1px solid palette(mid); border-radius: 3px;"
                " margin-top: 0.5em; }"
                "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }");
            return group;
        }
        case ControlKind::ListBox: {
            auto* list = new QListWidget(page);
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            return list;
        }
        case ControlKind::DropDownList:
        case ControlKind::DropDownCombo: {
            auto* combo = new QComboBox(page);
            combo->setEditable(control.kind == ControlKind::DropDownCombo);
            return combo;
        }
        case ControlKind::ProgressBar: {
            auto* bar = new QProgressBar(page);
            bar->setRange(0, PROGRESS_RANGE);
            bar->setValue(0);
            bar->setTextVisible(false);
            return bar;
        }
    }
    Q_UNREACHABLE();
    return nullptr;
}

void CKelvaneDlg::ConnectCommands() {
    connect(startButton, &QPushButton::clicked, this, [this] { Start(RunKind::Rename); });
    connect(listRunButton, &QPushButton::clicked, this, [this] { Start(RunKind::List); });
    connect(Control<QPushButton>(ID_OPTIONS), &QPushButton::clicked, this,
            &CKelvaneDlg::ShowOptions);
    connect(planWindow, &KelvanePlanDlg::undoRunChosen, this, [this](int run) { Undo(run, true); });
    connect(planWindow, &KelvanePlanDlg::takeBackAsked, this,
            [this](int run) { Undo(run, false); });
    connect(stopButton, &QPushButton::clicked, this, &CKelvaneDlg::Stop);
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(Control<QPushButton>(ID_ADD_RECORD), &QPushButton::clicked, this,
            &CKelvaneDlg::AddRecord);
    connect(Control<QPushButton>(ID_ADD_PRESET), &QPushButton::clicked, this,
            &CKelvaneDlg::AddPreset);
    connect(Control<QPushButton>(ID_DELETE_PRESET), &QPushButton::clicked, this,
            &CKelvaneDlg::DeletePreset);
    connect(Control<QPushButton>(ID_BROWSE_FOLDER), &QPushButton::clicked, this,
            &CKelvaneDlg::BrowseFolder);
    const std::array<std::pair<int, EditIndex>, 3> fileBrowsers{{
        {ID_BROWSE_DATABASE, EDIT_DATABASE},
        {ID_BROWSE_ADD_DATABASE, EDIT_ADD_DATABASE},
        {ID_BROWSE_DRIVE_TOOL, EDIT_DRIVE_TOOL},
    }};
    for (const auto& [buttonId, editIndex] : fileBrowsers) {
        QLineEdit* edit = edits[editIndex];
        connect(Control<QPushButton>(buttonId), &QPushButton::clicked, this,
                [this, edit] { BrowseFile(edit); });
    }
    connect(presetList, &QListWidget::currentRowChanged, this, &CKelvaneDlg::SelectPreset);
    connect(languageBox, &QComboBox::currentIndexChanged, this, &CKelvaneDlg::SelectLanguage);
}

void CKelvaneDlg::OnInitDialog() {
    model.LoadSettings();
    ModelToControls();
    CreateToolTips();
}

void CKelvaneDlg::ControlsToModel() {
    for (std::size_t i = 0; i < edits.size(); ++i) model.edits[i] = edits[i]->text().toStdString();
    for (std::size_t i = 0; i < checks.size(); ++i)
        model.checks[i] = checks[i]->isChecked() ? 1 : 0;
    model.systemSelection = systemBox->currentIndex();
    model.driveSelection = driveBox->currentIndex();
}

void CKelvaneDlg::ModelToControls() {
    for (std::size_t i = 0; i < edits.size(); ++i) edits[i]->setText(ToQString(model.edits[i]));
    // A run counts a box as ticked only for the value 1; the window shows the same.
    for (std::size_t i = 0; i < checks.size(); ++i) checks[i]->setChecked(model.checks[i] == 1);
    systemBox->setCurrentIndex(model.systemSelection);

    // Refilling the lists is not a choice of the user's: no handler runs.
    const QSignalBlocker presetBlocker(presetList);
    presetList->clear();
    for (const std::string& name : model.presetList) presetList->addItem(ToQString(name));
    presetList->setCurrentRow(model.presetSelection);

    const QSignalBlocker languageBlocker(languageBox);
    languageBox->clear();
    for (const std::string& name : model.languageList) languageBox->addItem(ToQString(name));
    languageBox->setCurrentIndex(model.languageSelection);

    const QSignalBlocker driveBlocker(driveBox);
    driveBox->clear();
    for (const std::string& name : model.driveList) driveBox->addItem(ToQString(name));
    driveBox->setCurrentIndex(model.driveSelection);
}

const std::string& CKelvaneDlg::LanguageText(const std::string& section,
                                             const std::string& key) const {
    return model.LanguageText(section, key);
}

void CKelvaneDlg::ApplyLanguageCaptions() {
    // Only a text the language has replaces a caption; others keep theirs.
    auto textFor = [this](const char* section, std::size_t key) {
        return ToQString(LanguageText(section, std::to_string(key)));
    };
    for (std::size_t i = 0; i < commandButtons.size(); ++i) {
        const QString text = textFor("Button", i);
        if (!text.isEmpty()) commandButtons[i]->setText(text);
    }
    const QString browseText = ToQString(LanguageText("Button", "REF"));
    if (!browseText.isEmpty()) {
        for (QPushButton* button : browseButtons) button->setText(browseText);
    }
    for (std::size_t i = 0; i < checks.size(); ++i) {
        const QString text = textFor("CheckBox", i);
        if (!text.isEmpty()) checks[i]->setText(text);
    }
    for (std::size_t i = 0; i < EDIT_LABEL_IDS.size(); ++i) {
        const QString text = textFor("EditBox", i);
        if (!text.isEmpty()) Control<QLabel>(EDIT_LABEL_IDS[i])->setText(text);
    }
    for (std::size_t i = 0; i < GROUP_IDS.size(); ++i) {
        const QString text = textFor("GroupBox", i);
        if (!text.isEmpty()) Control<QGroupBox>(GROUP_IDS[i])->setTitle(text);
    }
    for (const auto& [groupId, key] : VISIBLE_GROUP_KEYS) {
        const QString text = ToQString(LanguageText("GroupBox", key));
        if (!text.isEmpty()) Control<QGroupBox>(groupId)->setTitle(text);
    }
    NameControlsAfterCaptions();
}

void CKelvaneDlg::NameControlsAfterCaptions() {
    for (const auto& [controlId, captionId] : ACCESSIBLE_NAME_CAPTIONS) {
        QWidget* caption = Control<QWidget>(captionId);
        QString name;
        if (auto* label = qobject_cast<QLabel*>(caption)) name = label->text();
        if (auto* group = qobject_cast<QGroupBox*>(caption)) name = group->title();
        Control<QWidget>(controlId)->setAccessibleName(name);
    }
}

void CKelvaneDlg::CreateToolTips() {
    // Made again for every language applied; an empty text leaves no tip.
    auto addTip = [this](QWidget* control, int key) {
        SetToolTip(*control, LanguageText("ToolTips", std::to_string(key)));
    };
    for (std::size_t i = 0; i < edits.size(); ++i) addTip(edits[i], TOOLTIP_EDIT_KEY + int(i));
    for (std::size_t i = 0; i < checks.size(); ++i) addTip(checks[i], TOOLTIP_CHECK_KEY + int(i));
    for (std::size_t i = 0; i < commandButtons.size(); ++i) {
        addTip(commandButtons[i], TOOLTIP_BUTTON_KEY + int(i));
    }
    for (std::size_t i = 0; i < combos.size(); ++i) addTip(combos[i], TOOLTIP_COMBO_KEY + int(i));
}

void CKelvaneDlg::SetStatusText(const std::string& text) {
    statusText = ToQString(text);
    ShowStatusText();
    emit statusTextChanged(statusText);
}

void CKelvaneDlg::ShowStatusText() {
    statusLine->setText(statusLine->fontMetrics().elidedText(statusText, Qt::ElideMiddle,
                                                             statusLine->contentsRect().width()));
}

void CKelvaneDlg::SetProgress(int position) {
    progressBar->setValue(std::clamp(position, 0, PROGRESS_RANGE));
}

void CKelvaneDlg::ParkFocus() {
    if (focusRemembered) return;
    focusBeforeRun = focusWidget();
    focusRemembered = true;
    setFocus();
}

void CKelvaneDlg::SetControlsEnabled(bool enabled) {
    if (!enabled) ParkFocus();
    for (QLineEdit* edit : edits) edit->setEnabled(enabled);
    for (QPushButton* button : browseButtons) button->setEnabled(enabled);
    for (QPushButton* button : commandButtons) button->setEnabled(enabled);
    for (QCheckBox* check : checks) check->setEnabled(enabled);
    for (QComboBox* combo : combos) combo->setEnabled(enabled);
    presetList->setEnabled(enabled);
    planWindow->SetWorking(!enabled);
    stopButton->setEnabled(!enabled);
    // A run resets the Stop request as it begins; a close asked for before
    // that has to be asked again now.
    if (!enabled && closePending) Stop();
    if (enabled && focusRemembered) {
        focusRemembered = false;
        QWidget* target = focusBeforeRun;
        if (target == nullptr || !target->isEnabled() || !target->isVisibleTo(this)) {
            target = startButton;
        }
        target->setFocus();
    }
}

void CKelvaneDlg::ReportUnwritten(const std::vector<std::string>& files) {
    if (files.empty()) return;
    std::string text = LanguageText("MessageBox", "SETTINGS_NOT_WRITTEN");
    for (const std::string& file : files) text += "\n" + file;
    ShowMessageBox(text, MessageIcon::Warning, APPLICATION_TITLE);
}

void CKelvaneDlg::ShowMessageBox(const std::string& text, MessageIcon icon,
                                 const std::string& caption) {
    // A window that is closing does not hold its run's end for a report.
    if (closePending) return;
    QMessageBox box(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::Information,
                    ToQString(caption), ToQString(text), QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    SetCaption(*box.button(QMessageBox::Ok), LanguageText("Button", "OK"));
    // The run waits for the box: Stop would stop nothing while it is shown.
    const bool stopEnabled = stopButton->isEnabled();
    stopButton->setEnabled(false);
    box.exec();
    stopButton->setEnabled(stopEnabled && !runState.stopRequested);
}

bool CKelvaneDlg::AskYesNoBox(const std::string& text) {
    QMessageBox box(QMessageBox::Question, APPLICATION_TITLE, ToQString(text),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.setDefaultButton(QMessageBox::Yes);
    SetCaption(*box.button(QMessageBox::Yes), LanguageText("Button", "YES"));
    SetCaption(*box.button(QMessageBox::No), LanguageText("Button", "NO"));
    return box.exec() == QMessageBox::Yes;
}

bool CKelvaneDlg::StartDespite(const std::string& warning) {
    QMessageBox box(QMessageBox::Warning, APPLICATION_TITLE,
                    ToQString(warning + "\n\n" + LanguageText("MessageBox", "START_ANYWAY")),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName("formulaWarning");
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    // A formula that names every disc wrongly is not started by a stray Enter.
    box.setDefaultButton(QMessageBox::No);
    SetCaption(*box.button(QMessageBox::Yes), LanguageText("Button", "YES"));
    SetCaption(*box.button(QMessageBox::No), LanguageText("Button", "NO"));
    return box.exec() == QMessageBox::Yes;
}

bool CKelvaneDlg::SelectLanguageByName(const std::string& name) {
    for (std::size_t i = 0; i < model.languageList.size(); ++i) {
        if (model.languageList[i] != name) continue;
        model.SelectLanguage(int(i));
        ModelToControls();
        return true;
    }
    return false;
}

void CKelvaneDlg::Start(RunKind kind) {
    if (IsRunActive()) return;
    ControlsToModel();
    if (kind != RunKind::List) {
        const std::string warning =
            FormulaWarning(model.edits[EDIT_FORMULA], model.LanguageTexts());
        if (!warning.empty() && !StartDespite(warning)) return;
    }
    // The window's state is on disk before the run reads it. A file that
    // cannot be written does not keep the run from its work; the user hears
    // of it when the run has ended. A preview writes nothing, the window's
    // state neither.
    if (kind != RunKind::Preview) unwrittenAtStart = model.SaveSettings();
    ModelToControls();
    runSettings = RunSettings{&host, &runState, model.Options(), nullptr};
    if (kind == RunKind::Preview) {
        planWindow->Begin(KelvanePlanDlg::Kind::RenamePreview);
        runSettings.dryRunPlan = planWindow;
    }
    StartWork([settings = runSettings, kind] {
        if (kind == RunKind::List) {
            RunList(settings);
        } else {
            RunRename(settings);
        }
    });
}

void CKelvaneDlg::StartWork(std::function<void()> work) {
    ParkFocus();
    // Disabled here, not only by the work a moment later, so a second click
    // or Enter in between cannot start a second run.
    startButton->setEnabled(false);
    listRunButton->setEnabled(false);
    host.TakeLanguageTexts(model.LanguageTexts());
    try {
        runThread = std::thread([this, work = std::move(work)] {
            work();
            QMetaObject::invokeMethod(
                this, [this] { OnRunFinished(); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        focusRemembered = false;
        startButton->setEnabled(true);
        listRunButton->setEnabled(true);
    }
}

void CKelvaneDlg::Stop() {
    stopButton->setEnabled(false);
    runState.stopRequested = true;
}

void CKelvaneDlg::OnRunFinished() {
    runThread.join();
    if (!closePending) {
        // The run's summary has been dismissed: the window waits for the next.
        SetStatusText(LanguageText("State", "READY"));
        ReportUnwritten(std::exchange(unwrittenAtStart, {}));
    }
    emit runFinished();
    if (closePending) {
        closePending = false;
        done(QDialog::Rejected);
    }
}

void CKelvaneDlg::done(int result) {
    if (IsRunActive()) {
        closePending = true;
        Stop();
        return;
    }
    ControlsToModel();
    ReportUnwritten(model.SaveSettings());
    QDialog::done(result);
}

void CKelvaneDlg::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Escape && !exitButton->isEnabled()) return;
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && IsRunActive()) return;
    QDialog::keyPressEvent(event);
}

void CKelvaneDlg::ShowOptions() {
    ControlsToModel();
    KelvaneOptionsDlg dialog(this, model);
    if (dialog.exec() != QDialog::Accepted) return;
    ModelToControls();
    switch (dialog.Chosen()) {
        case KelvaneOptionsDlg::Command::None:
            break;
        case KelvaneOptionsDlg::Command::Preview:
            Start(RunKind::Preview);
            break;
        case KelvaneOptionsDlg::Command::Undo:
            planWindow->Begin(KelvanePlanDlg::Kind::Undo);
            Undo(planWindow->ChosenRun(), true);
            break;
        case KelvaneOptionsDlg::Command::AddRecord:
            AddRecord();
            break;
        case KelvaneOptionsDlg::Command::MakeList:
            Start(RunKind::List);
            break;
        case KelvaneOptionsDlg::Command::ImportDat:
            ImportDat();
            break;
    }
}

void CKelvaneDlg::Undo(int run, bool dryRun) {
    if (IsRunActive()) return;
    planWindow->Clear();
    UndoRequest request;
    request.journal = platform::JoinPath(startDirectory.Directory(), RENAME_JOURNAL_FILE);
    request.countBack = run;
    request.dryRun = dryRun;
    request.stopRequested = &runState.stopRequested;
    StartWork([this, request] {
        runState.stopRequested = false;
        host.StartDirectory().MakeCurrent();
        host.SetControlsEnabled(false);
        if (!request.dryRun) host.SetStatusText(host.LanguageText("State", "UNDO"));
        const UndoReport report = UndoRenameRun(request, *planWindow);
        const UndoTexts texts = DescribeUndo(report, request, host);
        QMetaObject::invokeMethod(
            planWindow,
            [this, texts] {
                planWindow->SetUndoOutcome(texts.run, texts.runsKept, texts.canTakeBack,
                                           texts.outcome);
            },
            Qt::QueuedConnection);
        // The preview shows its outcome under its plan; what was done is
        // reported as the runs report.
        if (!request.dryRun) {
            host.SetStatusText(texts.outcome.toStdString());
            host.ShowMessage(texts.outcome.toStdString(),
                             texts.complete ? MessageIcon::Information : MessageIcon::Warning,
                             APPLICATION_TITLE);
        }
        host.SetControlsEnabled(true);
    });
}

void CKelvaneDlg::ImportDat() {
    ControlsToModel();
    const RunOptions options = model.Options();
    if (options.system == 0) {
        ShowMessageBox(LanguageText("MessageBox", "MODE_NOT_SELECTED"), MessageIcon::Warning,
                       APPLICATION_TITLE);
        return;
    }
    if (options.database.empty()) {
        ShowMessageBox(LanguageText("MessageBox", "DAT_NO_DATABASE"), MessageIcon::Warning,
                       APPLICATION_TITLE);
        return;
    }
    QFileDialog dialog(this, ToQString(LanguageText("Button", "IMPORT_DAT")));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(
        {ToQString(LanguageText("Dialog", "DAT_FILES")) + " (*.dat *.DAT *.xml *.XML)", "* (*)"});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    std::vector<std::string> datFiles;
    for (const QString& file : dialog.selectedFiles()) datFiles.push_back(file.toStdString());
    StartWork([this, datFiles, options] {
        host.StartDirectory().MakeCurrent();
        host.SetControlsEnabled(false);
        host.SetStatusText(host.LanguageText("State", "DAT_IMPORT"));
        const DatImportReport report = ImportDatFiles(
            datFiles, options.database, SystemName(options.system), options.addPriority);
        const std::string text = DescribeDatImport(report, options.database, host);
        host.SetStatusText(text);
        host.ShowMessage(text,
                         report.inputValid && !report.writeFailed ? MessageIcon::Information
                                                                  : MessageIcon::Warning,
                         APPLICATION_TITLE);
        host.SetControlsEnabled(true);
    });
}

void CKelvaneDlg::AddRecord() {
    ControlsToModel();
    if (MergeDatabaseFiles(model.Options(), host) == RunOutcome::Completed) {
        model.edits[EDIT_ADD_DATABASE].clear();
    }
    ModelToControls();
}

void CKelvaneDlg::AddPreset() {
    KelvaneNewPresetDlg dialog(this, model);
    if (dialog.exec() != QDialog::Accepted) return;
    ControlsToModel();
    const std::string name = dialog.Name();
    const bool added = model.AddPreset(name);
    ModelToControls();
    // A name that cannot be a file name is simply not taken.
    if (!added && WindowModel::IsUsablePresetName(name)) ReportUnwritten({model.PresetFile(name)});
}

void CKelvaneDlg::DeletePreset() {
    ControlsToModel();
    model.DeletePreset([this](const std::string& question) { return AskYesNoBox(question); });
    ModelToControls();
}

void CKelvaneDlg::SelectPreset(int index) {
    ControlsToModel();
    const std::string left = model.currentPreset;
    const bool stored = model.SelectPreset(index);
    ModelToControls();
    if (!stored) ReportUnwritten({model.PresetFile(left)});
}

void CKelvaneDlg::SelectLanguage(int index) {
    model.SelectLanguage(index);
}

void CKelvaneDlg::BrowseFolder() {
    QFileDialog dialog(this, ToQString(LanguageText("MessageBox", "SELECT_FOLDER")));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    const QString current = edits[EDIT_FOLDER]->text();
    if (platform::IsExistingFolder(current.toStdString())) dialog.setDirectory(current);
    // Cancelling keeps the folder that was there.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    edits[EDIT_FOLDER]->setText(dialog.selectedFiles().first());
}

void CKelvaneDlg::BrowseFile(QLineEdit* edit) {
    QFileDialog dialog(this);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    // Unlike the folder browse, a cancel empties the edit.
    edit->setText(chosen ? dialog.selectedFiles().first() : QString());
}

bool CKelvaneDlg::AcceptsDrop(const QMimeData& data) const {
    // During a run the inputs are closed, dropped ones too.
    return !IsRunActive() && data.hasUrls();
}

void CKelvaneDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (AcceptsDrop(*event->mimeData())) event->acceptProposedAction();
}

void CKelvaneDlg::dropEvent(QDropEvent* event) {
    if (!AcceptsDrop(*event->mimeData())) return;
    DropPaths(*event->mimeData());
    event->acceptProposedAction();
}

bool CKelvaneDlg::eventFilter(QObject* watched, QEvent* event) {
    // Text dragged onto an edit box is still the box's own business.
    const bool drag = event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove;
    if (!drag && event->type() != QEvent::Drop) return QDialog::eventFilter(watched, event);
    auto* dragDrop = static_cast<QDropEvent*>(event);
    if (!dragDrop->mimeData()->hasUrls()) return QDialog::eventFilter(watched, event);
    if (!AcceptsDrop(*dragDrop->mimeData())) {
        dragDrop->ignore();
    } else if (drag) {
        dragDrop->acceptProposedAction();
    } else {
        DropPaths(*dragDrop->mimeData());
        dragDrop->acceptProposedAction();
    }
    return true;
}

void CKelvaneDlg::DropPaths(const QMimeData& data) {
    // A file becomes the database, a folder the folder to scan; with several,
    // the last of each kind wins.
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        if (platform::IsExistingFile(path.toStdString())) {
            edits[EDIT_DATABASE]->setText(path);
        } else if (platform::IsExistingFolder(path.toStdString())) {
            edits[EDIT_FOLDER]->setText(path);
        }
    }
}
