#include "app/CommandReports.h"

#include "core/RunHost.h"
#include "rename/RenameUndo.h"
#include "run/DatImport.h"

namespace {

QString Text(RunHost& host, const char* section, const char* key) {
    return QString::fromStdString(host.LanguageText(section, key));
}

}  // namespace

UndoTexts DescribeUndo(const UndoReport& report, const UndoRequest& request, RunHost& host) {
    UndoTexts texts;
    texts.runsKept = int(report.runsKept);
    using Result = UndoReport::Result;
    switch (report.result) {
        case Result::NoJournal:
            texts.outcome = Text(host, "MessageBox", "UNDO_NONE");
            return texts;
        case Result::NoSuchRun:
            texts.outcome = Text(host, "MessageBox", "UNDO_NO_SUCH_RUN");
            return texts;
        case Result::AnotherRun:
            texts.outcome = Text(host, "MessageBox", "ANOTHER_RUN") + " " +
                            QString::fromStdString(request.journal);
            return texts;
        case Result::AlreadyTakenBack:
        case Result::TakenBack:
        case Result::PartlyTakenBack:
            break;
    }
    texts.run =
        Text(host, "Dialog", "UNDO_RUN")
            .arg(QString::fromStdString(report.started), QString::fromStdString(report.folder));
    if (report.result == Result::AlreadyTakenBack) {
        texts.outcome = Text(host, "MessageBox", "UNDO_TAKEN_BACK_BEFORE");
        return texts;
    }
    texts.canTakeBack = request.dryRun;
    texts.complete =
        report.result == Result::TakenBack && !report.journalFailure && report.leftOpen == 0;
    texts.outcome = Text(host, "MessageBox", request.dryRun ? "UNDO_WOULD" : "UNDO_DONE")
                        .arg(report.files)
                        .arg(report.rewrites)
                        .arg(report.folders)
                        .arg(report.skipped);
    if (report.stopped) texts.outcome += " " + Text(host, "MessageBox", "UNDO_STOPPED");
    if (report.leftOpen > 0) {
        texts.outcome += " " + Text(host, "MessageBox", "UNDO_LEFT_OPEN").arg(report.leftOpen);
    }
    if (report.journalFailure) {
        texts.outcome += " " + Text(host, "MessageBox", "FILES_NOT_WRITTEN") + " " +
                         QString::fromStdString(request.journal) + " (" +
                         QString::fromStdString(report.journalFailure.Reason()) + ")";
    }
    return texts;
}

std::string DescribeDatImport(const DatImportReport& report, const std::string& database,
                              RunHost& host) {
    QString text;
    if (!report.inputValid) {
        text = Text(host, "MessageBox", "DAT_REJECTED");
    } else if (report.writeFailed) {
        text =
            Text(host, "MessageBox", "ADD_WRITE_FAILED") + " " + QString::fromStdString(database);
    } else {
        text = Text(host, "MessageBox", "DAT_IMPORTED")
                   .arg(report.games)
                   .arg(report.added)
                   .arg(report.updated)
                   .arg(report.skipped);
    }
    for (const DatImportProblem& problem : report.problems) {
        text += "\n" + QString::fromStdString(problem.what);
        if (!problem.path.empty()) text += ": " + QString::fromStdString(problem.path);
    }
    return text.toStdString();
}
