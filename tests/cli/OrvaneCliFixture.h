#pragma once

// orvane-cli as a user runs it: a start-up directory with a collection, the
// program started as a process.
#include <gtest/gtest.h>

#include <string>

#include "support/Files.h"
#include "support/IsoBuilder.h"
#include "support/TempDir.h"

namespace clitest {

// The last line of a text, without its line end.
inline std::string LastLine(std::string text) {
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text.substr(text.rfind('\n') + 1);
}

struct Result {
    int status;
    std::string out;
    std::string err;
};

class OrvaneCliTest : public ::testing::Test {
protected:
    OrvaneCliTest() {
        testsupport::MakeDirs(dir / "games");
        testsupport::WriteFile(dir / "games.csv",
                               "SLPM65001;First Game;;;;;;PS2;;\r\n"
                               "SLPM65002;Second Game;;;;;;PS2;;\r\n");
        Disc("games/a.iso", "SLPM_650.01");
        Disc("games/b.iso", "SLPM_650.02");
        testsupport::WriteFile(dir / "games/readme.txt", "x");
    }

    void Disc(const std::string& name, const std::string& bootFile) {
        testsupport::WriteDisc(
            dir / name, {{"SYSTEM.CNF", testsupport::Ps2SystemCnf(bootFile)}, {bootFile, "elf"}});
    }

    // Runs the program in the start-up directory; stderr is kept in err.txt.
    Result Run(const std::string& arguments, const std::string& program = ORVANE_CLI_PATH) {
        Result result;
        result.status = testsupport::RunCommand("cd " + testsupport::ShellQuote(dir.Path()) +
                                                    " && " + testsupport::ShellQuote(program) +
                                                    " " + arguments + " 2>err.txt </dev/null",
                                                &result.out);
        result.err = testsupport::ReadFile(dir / "err.txt");
        return result;
    }

    testsupport::TempDir dir;
};

}  // namespace clitest
