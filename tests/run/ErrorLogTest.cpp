#include "run/ErrorLog.h"

#include <gtest/gtest.h>

#include "support/Files.h"
#include "support/TempDir.h"

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

const std::string BLOCK =
    "\r\n"
    "************************************************\r\n"
    "Please e-mail this log to support@orvane.org\r\n"
    " Join Us @ https://forum.orvane.org \r\n"
    "************************************************\r\n"
    "\r\n";

// One run's end: the block and the lines when there are any, then the Write
// that always happens.
void WriteRunLog(const std::string& path, const std::vector<std::string>& errorLines) {
    KelOutputText log(path);
    AddErrorLogBlock(log, errorLines);
    ASSERT_TRUE(log.Write());
}

}  // namespace

TEST(ErrorLogTest, ErrorLinesOfBothKinds) {
    EXPECT_EQ(FailedToFindIdLine("/games/Broken"), "Failed to find ID - /games/Broken");
    EXPECT_EQ(NotInDatabaseLine("SLPS99999", "/games/New"),
              "ID : SLPS99999 - Not in Database - /games/New");
    EXPECT_EQ(NotInDatabaseLine("", "/games/Blank"), "ID :  - Not in Database - /games/Blank");
}

TEST(ErrorLogTest, EachRunWithErrorsAppendsItsBlock) {
    TempDir dir;
    const std::string path = dir / ERROR_LOG_FILE;
    const std::vector<std::string> errors = {FailedToFindIdLine("/games/A"),
                                             NotInDatabaseLine("SLPS00001", "/games/B")};
    const std::string runText =
        BLOCK + "Failed to find ID - /games/A\r\nID : SLPS00001 - Not in Database - /games/B\r\n";

    WriteRunLog(path, errors);
    EXPECT_EQ(ReadFile(path), runText);
    WriteRunLog(path, errors);
    EXPECT_EQ(ReadFile(path), runText + runText);
}

TEST(ErrorLogTest, RunWithoutErrorsCreatesOrKeepsTheFile) {
    TempDir dir;
    WriteRunLog(dir / "fresh.txt", {});
    EXPECT_EQ(ReadFile(dir / "fresh.txt"), "");

    WriteFile(dir / "old.txt", "earlier\r\n");
    WriteRunLog(dir / "old.txt", {});
    EXPECT_EQ(ReadFile(dir / "old.txt"), "earlier\r\n");
}
