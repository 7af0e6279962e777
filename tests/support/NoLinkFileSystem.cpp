#include "support/NoLinkFileSystem.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "support/Files.h"

namespace testsupport {

bool OnFileSystemWithoutLinks() {
    return dlsym(RTLD_DEFAULT, "orvane_no_link_file_system") != nullptr;
}

void RerunOnFileSystemWithoutLinks() {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self);
    ASSERT_GT(length, 0);
    const std::string filter = std::string(test->test_suite_name()) + "." + test->name();
    std::string output;
    const int status = RunCommand("LD_PRELOAD=" + ShellQuote(ORVANE_NO_LINK_SHIM) + " " +
                                      ShellQuote(std::string(self, std::size_t(length))) +
                                      " --gtest_filter=" + ShellQuote(filter) + " 2>&1",
                                  &output);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test."), std::string::npos) << output;
}

}  // namespace testsupport
