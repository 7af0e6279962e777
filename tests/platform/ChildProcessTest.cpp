#include "platform/ChildProcess.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/FileOps.h"
#include "support/Files.h"
#include "support/TempDir.h"

using platform::ChildOptions;
using platform::RunChild;

TEST(RunChild, RunsWaitsAndEndsOnRequest) {
    const auto plain = RunChild({"sh", "-c", "echo out; echo err >&2; read line; exit 3"}, {});
    EXPECT_TRUE(plain.started);
    EXPECT_EQ(plain.exitCode, 3);  // standard input is empty, so read returns at once
    EXPECT_EQ(plain.output, "out\nerr\n");
    EXPECT_FALSE(RunChild({"no-such-program-anywhere"}, {}).started);
    EXPECT_FALSE(platform::FindProgram("no-such-program-anywhere").has_value());

    // The caller's no ends the program and what it started.
    const auto start = std::chrono::steady_clock::now();
    int asked = 0;
    ChildOptions stopping;
    stopping.keepRunning = [&] { return ++asked < 3; };
    const auto ended = RunChild({"sh", "-c", "sleep 60 & sleep 60"}, stopping);
    EXPECT_TRUE(ended.endedByCaller);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(RunChild, WritesStayInTheirFolderAndBelowTheirSize) {
    testsupport::TempDir dir;
    testsupport::MakeDirs(dir / "inside");
    ChildOptions confined;
    confined.writableFolder = dir / "inside";
    confined.maxFileBytes = 1000;
    const auto run =
        RunChild({"sh", "-c",
                  "echo in > " + dir / "inside/file" + "; echo out > " + dir / "outside" +
                      "; head -c 5000 /dev/zero > " + dir / "inside/large"},
                 confined);
    EXPECT_TRUE(run.started);
    EXPECT_EQ(testsupport::ReadFile(dir / "inside/file"), "in\n");
    EXPECT_LE(platform::FileSizeOf(dir / "inside/large").value_or(0), 1000u);
    if (platform::KindOf(dir / "outside") != platform::PathKind::Missing) {
        GTEST_SKIP() << "the kernel confines no writes (no Landlock)";
    }
}
