#pragma once

#include <optional>
#include <string>

#include "core/RunReport.h"
#include "rename/RenameUndo.h"

// orvane-cli --json: one JSON object per line on stdout for every disc and
// folder as the run comes to it, then one summary object, so that a script
// acts on full paths with their extensions. Paths are made absolute against
// the start-up directory; bytes that are no UTF-8 come out as U+FFFD (the
// plan of --dry-run keeps them exact).
class JsonReport final : public ReportSink {
public:
    enum class Command { Rename, List, Undo };
    JsonReport(std::string startDirectory, Command command, bool dryRun);

    void Disc(const DiscReport& disc) override;
    void Summary(const RunSummary& summary) override;
    void UndoSummary(const UndoReport& report);

    // The summary object, last: the counts of the run (none when it was
    // refused before it began), the exit status and the error that refused
    // the command, if one did.
    void Finish(int exitStatus, const std::string& error = {});

private:
    std::string Absolute(const std::string& path) const;

    const std::string startDirectory;
    const Command command;
    const bool dryRun;
    std::optional<RunSummary> runSummary;
    std::optional<UndoReport> undoReport;
};
