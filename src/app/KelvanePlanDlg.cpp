#include "app/KelvanePlanDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/WindowTexts.h"
#include "config/WindowModel.h"
#include "core/RunHost.h"

namespace {

// The language key of a step kind.
const char* KindKey(PlanStep::Kind kind) {
    switch (kind) {
        case PlanStep::Kind::Rename:
            return "RENAME";
        case PlanStep::Kind::Rewrite:
            return "REWRITE";
        case PlanStep::Kind::Folder:
            return "FOLDER";
        case PlanStep::Kind::Skip:
            return "SKIP";
    }
    return "";
}

// The reasons the run gives in its own words, and their language keys; any
// other reason is the error log's text of a failed move, shown as it is.
constexpr std::array<std::pair<const char*, const char*>, 3> REASON_KEYS{{
    {SKIP_NO_IDENTIFIER, "NO_IDENTIFIER"},
    {SKIP_NOT_IN_DATABASE, "NOT_IN_DATABASE"},
    {SKIP_COLLISION, "COLLISION"},
}};

// The window opens large enough for long paths without being the screen.
constexpr int WIDTH_IN_CHARACTERS = 130;
constexpr int HEIGHT_IN_LINES = 28;

}  // namespace

KelvanePlanDlg::KelvanePlanDlg(QWidget* parent, const WindowModel& model)
    : QDialog(parent),
      model(model),
      runLabel(new QLabel(this)),
      runBox(new QSpinBox(this)),
      runName(new QLabel(this)),
      steps(new QTreeWidget(this)),
      counted(new QLabel(this)),
      outcome(new QLabel(this)),
      takeBack(new QPushButton("Take Back", this)),
      closeButton(new QPushButton("Close", this)) {
    setObjectName("plan");
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_WindowPropagation);
    setFont(parent->font());
    runBox->setObjectName("run");
    runBox->setRange(1, 1);
    runLabel->setBuddy(runBox);
    runName->setObjectName("runName");
    runName->setTextFormat(Qt::PlainText);
    steps->setObjectName("steps");
    steps->setColumnCount(3);
    steps->setRootIsDecorated(false);
    steps->setUniformRowHeights(true);
    steps->header()->setSectionResizeMode(QHeaderView::Interactive);
    counted->setObjectName("counted");
    outcome->setObjectName("outcome");
    outcome->setTextFormat(Qt::PlainText);
    outcome->setWordWrap(true);
    takeBack->setObjectName("takeBack");
    closeButton->setObjectName("close");

    auto* runRow = new QHBoxLayout;
    runRow->addWidget(runLabel);
    runRow->addWidget(runBox);
    runRow->addWidget(runName, 1);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(takeBack, QDialogButtonBox::ActionRole);
    buttons->addButton(closeButton, QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(runRow);
    layout->addWidget(steps, 1);
    layout->addWidget(counted);
    layout->addWidget(outcome);
    layout->addWidget(buttons);
    QSize size(fontMetrics().averageCharWidth() * WIDTH_IN_CHARACTERS,
               fontMetrics().height() * HEIGHT_IN_LINES);
    if (const QScreen* display = parent->screen()) {
        size = size.boundedTo(display->availableGeometry().size());
    }
    resize(size);

    connect(closeButton, &QPushButton::clicked, this, &QDialog::hide);
    connect(takeBack, &QPushButton::clicked, this, [this] { emit takeBackAsked(runBox->value()); });
    connect(runBox, &QSpinBox::valueChanged, this, [this](int run) {
        if (!working) emit undoRunChosen(run);
    });
}

QString KelvanePlanDlg::Text(const char* section, const char* key) const {
    return ToQString(model.LanguageText(section, key));
}

void KelvanePlanDlg::Begin(Kind newKind) {
    kind = newKind;
    const bool undo = kind == Kind::Undo;
    setWindowTitle(QString(APPLICATION_TITLE) + " - " + Text("Dialog", undo ? "UNDO" : "PREVIEW"));
    steps->setHeaderLabels(
        {Text("Dialog", "STEP"), Text("Dialog", "FILE"), Text("Dialog", "DETAIL")});
    runLabel->setText(Text("EditBox", "UNDO_RUN"));
    SetToolTip(*runBox, model.LanguageText("ToolTips", "UNDO_RUN"));
    SetCaption(*takeBack, model.LanguageText("Button", "TAKE_BACK"));
    SetToolTip(*takeBack, model.LanguageText("ToolTips", "TAKE_BACK"));
    SetCaption(*closeButton, model.LanguageText("Button", "CLOSE"));
    for (QWidget* control : std::initializer_list<QWidget*>{runLabel, runBox, runName, takeBack}) {
        control->setVisible(undo);
    }
    canTakeBack = false;
    takeBack->setEnabled(false);
    Clear();
    show();
    raise();
    activateWindow();
}

void KelvanePlanDlg::Clear() {
    steps->clear();
    counts.clear();
    counted->clear();
    outcome->clear();
    runName->clear();
}

void KelvanePlanDlg::Add(const PlanStep& step) {
    QMetaObject::invokeMethod(
        this, [this, step] { AddRow(step); }, Qt::QueuedConnection);
}

void KelvanePlanDlg::AddRow(const PlanStep& step) {
    QString detail = ToQString(step.detail);
    if (step.kind == PlanStep::Kind::Skip) {
        for (const auto& [reason, key] : REASON_KEYS) {
            if (step.detail == reason) detail = Text("Dialog", key);
        }
    }
    auto* row = new QTreeWidgetItem(
        steps, {Text("Dialog", KindKey(step.kind)), ToQString(step.path), detail});
    for (int column = 0; column < 3; ++column) row->setToolTip(column, row->text(column));
    ++counts[step.kind];
    counted->setText(Text("Dialog", "COUNTS")
                         .arg(counts[PlanStep::Kind::Rename])
                         .arg(counts[PlanStep::Kind::Rewrite])
                         .arg(counts[PlanStep::Kind::Folder])
                         .arg(counts[PlanStep::Kind::Skip]));
    // The columns fit what they hold, up to the first rows.
    if (steps->topLevelItemCount() <= 1) {
        for (int column = 0; column < 2; ++column) steps->resizeColumnToContents(column);
    }
}

void KelvanePlanDlg::SetWorking(bool isWorking) {
    working = isWorking;
    runBox->setEnabled(!working);
    takeBack->setEnabled(!working && canTakeBack);
}

void KelvanePlanDlg::SetUndoOutcome(const QString& run, int runsKept, bool takeBackPossible,
                                    const QString& text) {
    runName->setText(run);
    {
        // Widening the range is no choice of another run.
        const QSignalBlocker blocker(runBox);
        runBox->setMaximum(std::max(runsKept, 1));
    }
    canTakeBack = takeBackPossible;
    takeBack->setEnabled(!working && canTakeBack);
    outcome->setText(text);
}

int KelvanePlanDlg::ChosenRun() const {
    return runBox->value();
}
