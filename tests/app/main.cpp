// The window's tests: each suite a QtTest class, run on the offscreen
// platform. `tests_app [Suite [QtTest options]]` runs one suite, or all.
#include <QApplication>
#include <QTest>
#include <cstdio>
#include <string>
#include <vector>

#include "WindowTestSupport.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    std::string only;
    std::vector<char*> testArguments{argv[0]};
    if (argc > 1 && argv[1][0] != '-') {
        only = argv[1];
        testArguments.insert(testArguments.end(), argv + 2, argv + argc);
    } else {
        testArguments.insert(testArguments.end(), argv + 1, argv + argc);
    }

    int failures = 0;
    bool found = false;
    for (const auto& [name, factory] : windowtest::Suites()) {
        if (!only.empty() && name != only) continue;
        found = true;
        const std::unique_ptr<QObject> suite = factory();
        failures += QTest::qExec(suite.get(), int(testArguments.size()), testArguments.data());
    }
    if (!found) {
        std::fprintf(stderr, "tests_app: no suite named %s\n", only.c_str());
        return 1;
    }
    return failures == 0 ? 0 : 1;
}
