#include "platform/ReadAhead.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

using platform::ReadAhead;

// The readers run on threads of their own; what they did is checked only by
// what they recorded, never by how long anything took.

TEST(ReadAhead, EachItemOnceWithinTheWindowAndTheCallerKnowsWhichWereDone) {
    struct Case {
        std::size_t count, window, readers;
    };
    for (const Case c : {Case{200, 3, 4}, Case{50, 16, 4}, Case{5, 16, 4}, Case{30, 1, 1}}) {
        std::atomic<std::size_t> callerAt{0};
        std::vector<std::atomic<int>> worked(c.count);
        std::vector<std::atomic<bool>> finished(c.count);
        std::atomic<int> beyondWindow{0};
        ReadAhead ahead(c.count, c.window, c.readers,
                        [&](std::size_t item, const std::atomic<bool>&) {
                            if (item > callerAt + c.window) ++beyondWindow;
                            ++worked[item];
                            std::this_thread::yield();
                            finished[item] = true;
                        });
        for (std::size_t item = 0; item < c.count; ++item) {
            callerAt = item;
            // Done means done: the work of the item has ended.
            if (ahead.Reach(item)) {
                EXPECT_TRUE(finished[item]) << item;
            }
        }
        ahead.Stop();
        std::size_t begun = 0;
        for (const std::atomic<int>& times : worked) {
            EXPECT_LE(times, 1);
            begun += std::size_t(times);
        }
        EXPECT_EQ(begun, ahead.Begun());
        EXPECT_EQ(beyondWindow, 0) << c.count << " " << c.window;
    }
}

TEST(ReadAhead, StopTellsAReaderInTheMiddleOfItsWorkAndNothingBeginsAfter) {
    std::atomic<int> begun{0};
    std::atomic<bool> sawStop{false};
    ReadAhead ahead(100, 8, 2, [&](std::size_t, const std::atomic<bool>& stopping) {
        ++begun;
        // Works until it is told to stop: Stop would wait forever for a
        // reader that is never told.
        while (!stopping) std::this_thread::yield();
        sawStop = true;
    });
    while (ahead.Begun() < 2) std::this_thread::yield();
    ahead.Stop();
    EXPECT_TRUE(sawStop);
    EXPECT_EQ(begun, 2);
    EXPECT_EQ(ahead.Begun(), 2u);
    // The caller does the rest itself.
    EXPECT_FALSE(ahead.Reach(50));
}

TEST(ReadAhead, NoWindowOrNoReaderReadsNothing) {
    for (const auto& [window, readers] : {std::pair<std::size_t, std::size_t>{0, 4}, {4, 0}}) {
        std::atomic<int> worked{0};
        ReadAhead ahead(10, window, readers,
                        [&](std::size_t, const std::atomic<bool>&) { ++worked; });
        for (std::size_t item = 0; item < 10; ++item) EXPECT_FALSE(ahead.Reach(item));
        ahead.Stop();
        EXPECT_EQ(worked, 0);
    }
}
