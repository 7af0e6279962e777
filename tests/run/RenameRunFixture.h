#pragma once

// The rename run's test fixture: a temporary start-up directory with a scan
// folder and a small PS2 database, the window played by a recording host.
#include <gtest/gtest.h>

#include <string>

#include "run/RenameRun.h"
#include "support/CurrentDirectory.h"
#include "support/Files.h"
#include "support/IsoBuilder.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

namespace renamerun {

inline const std::string LOG_BLOCK =
    "\r\n************************************************\r\n"
    "Please e-mail this log to support@orvane.org\r\n"
    " Join Us @ https://forum.orvane.org \r\n"
    "************************************************\r\n\r\n";

inline std::string Record(const std::string& id, const std::string& name,
                          const std::string& date = "", const std::string& field2 = "NTSC-J",
                          const std::string& system = "PS2") {
    return id + ";" + name + ";" + field2 + ";;;;" + date + ";" + system + ";;\r\n";
}

using RecordingHost = testsupport::RecordingHost;

// A PS2 run over scan/ with games.csv, its window played by `host`.
inline RunSettings Ps2RunSettings(RecordingHost& host, RunState& state) {
    RunSettings settings;
    settings.ownerWindow = &host;
    settings.runState = &state;
    settings.options.folder = "scan";
    settings.options.formula = "%n [%i]";
    settings.options.database = "games.csv";
    settings.options.listFormula = "%n [%i]";
    settings.options.system = 2;
    return settings;
}

class RenameRunTest : public ::testing::Test {
protected:
    RenameRunTest() {
        testsupport::MakeDirs("scan");
        host.texts = {{"MessageBox/DONE_1", "Discs"},  {"MessageBox/DONE_2", "Renamed"},
                      {"MessageBox/DONE_3", "Left"},   {"MessageBox/DONE_4", "Done."},
                      {"State/GET_ID", "Identifying"}, {"State/RENAME", "Renaming"}};
        testsupport::WriteFile("games.csv", ";PS2 test list\r\n" + Record("SLPM65001", "Game One") +
                                                Record("SLPM65002", "Game Two") +
                                                Record("SLPS00071", "PS1 Game", "", "", "PS1"));
    }

    RunSettings Settings() { return Ps2RunSettings(host, state); }

    static void Ps2Disc(const std::string& path, const std::string& bootFile) {
        testsupport::WriteDisc(path, {{"SYSTEM.CNF", testsupport::Ps2SystemCnf(bootFile)},
                                      {bootFile, "elf of " + bootFile}});
    }

    const RecordingHost::Message& Summary() const { return host.messages.back(); }
    // The summary's counts, without the lines that follow them.
    std::string Counts() const { return Summary().text.substr(0, Summary().text.find('\n')); }

    testsupport::TempDir dir;
    testsupport::ScopedCurrentDirectory current{dir.Path()};
    testsupport::RecordingHost host;  // its start-up directory is `dir`
    RunState state;
};

}  // namespace renamerun
