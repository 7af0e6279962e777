#pragma once

// What the window says of the commands beside the runs (undo, DAT import),
// in the language of the run's host; built on the run's thread.

#include <QString>
#include <string>

class RunHost;
struct DatImportReport;
struct UndoReport;
struct UndoRequest;

struct UndoTexts {
    QString run;               // which run: its start and folder; empty when there is none
    int runsKept = 0;          // the runs the journal keeps
    bool canTakeBack = false;  // a preview of a run that can go back, whole or in part
    bool complete = false;     // nothing was refused, stopped, left half done or unwritten
    QString outcome;           // what was (or would be) taken back, or why nothing
};

UndoTexts DescribeUndo(const UndoReport& report, const UndoRequest& request, RunHost& host);

// The import's counts, or why nothing was written, with the problems of the
// DAT files and the database.
std::string DescribeDatImport(const DatImportReport& report, const std::string& database,
                              RunHost& host);
