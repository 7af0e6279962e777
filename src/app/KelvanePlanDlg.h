#pragma once

#include <QDialog>
#include <map>

#include "rename/PlanSink.h"

class QLabel;
class QPushButton;
class QSpinBox;
class QTreeWidget;
class WindowModel;

// The plan of a run that changes nothing, step by step, as the window shows
// it: the preview of a rename run, or of taking a rename run back. One row
// per step (what, the file, its new name or why it stays), the steps counted
// under the table. For undo, the run to take back is chosen above the table
// and Take Back does what the plan shows. The window is not modal: the main
// window's Stop stops the run that fills it.
class KelvanePlanDlg final : public QDialog, public PlanSink {
    Q_OBJECT

public:
    enum class Kind { RenamePreview, Undo };

    KelvanePlanDlg(QWidget* parent, const WindowModel& model);

    // Captions the window in the model's language, empties it for a plan of
    // `kind` and shows it.
    void Begin(Kind kind);
    // Empties the table, keeping the kind and the run chosen.
    void Clear();
    // From any thread: a step, shown once the window's thread gets to it.
    void Add(const PlanStep& step) override;

    // While a run works, the window's inputs are closed.
    void SetWorking(bool working);
    // Undo: which run the plan is of, how many the journal keeps, whether
    // Take Back can do what it shows, and what it came to.
    void SetUndoOutcome(const QString& run, int runsKept, bool canTakeBack, const QString& outcome);
    int ChosenRun() const;

signals:
    // Undo: another run was chosen, whose plan is wanted.
    void undoRunChosen(int run);
    void takeBackAsked(int run);

private:
    void AddRow(const PlanStep& step);
    QString Text(const char* section, const char* key) const;

    const WindowModel& model;
    Kind kind = Kind::RenamePreview;
    QLabel* runLabel;
    QSpinBox* runBox;
    QLabel* runName;
    QTreeWidget* steps;
    QLabel* counted;
    QLabel* outcome;
    QPushButton* takeBack;
    QPushButton* closeButton;
    // Steps shown, per kind.
    std::map<PlanStep::Kind, int> counts;
    bool working = false;
    bool canTakeBack = false;
};
