#include "cli/ImportDatCommand.h"

#include <iostream>

#include "cli/ExitStatus.h"
#include "config/WindowModel.h"
#include "run/DatImport.h"
#include "run/RunSettings.h"

int RunImportDat(const WindowModel& model, const std::vector<std::string>& datFiles,
                 Verbosity verbosity) {
    const RunOptions options = model.Options();
    const DatImportReport report =
        ImportDatFiles(datFiles, options.database, SystemName(options.system), options.addPriority);
    for (const DatImportProblem& problem : report.problems) {
        std::cerr << "orvane-cli: " << problem.what;
        if (!problem.path.empty()) std::cerr << ": " << problem.path;
        std::cerr << "\n";
    }
    if (!report.inputValid) return EXIT_INPUT_REJECTED;
    if (report.writeFailed) {
        std::cerr << "orvane-cli: the database could not be written: " << options.database << "\n";
    }
    if (verbosity != Verbosity::Quiet) {
        std::cerr << "Games:" << report.games << " Added:" << report.added
                  << " Updated:" << report.updated << " Skipped:" << report.skipped << "\n";
    }
    return report.writeFailed ? EXIT_WRITE_FAILED : EXIT_DONE;
}
