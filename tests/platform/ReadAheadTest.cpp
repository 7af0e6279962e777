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
        ReadAhead::Kind kind = ReadAhead::Kind::Warming;
    };
    for (const Case c :
         {Case{200, 3, 4}, Case{50, 16, 4}, Case{5, 16, 4}, Case{30, 1, 1},
          Case{200, 3, 4, ReadAhead::Kind::Sharing}, Case{50, 16, 2, ReadAhead::Kind::Sharing}}) {
        std::atomic<std::size_t> callerAt{0};
        std::vector<std::atomic<int>> worked(c.count);
        std::vector<std::atomic<bool>> finished(c.count);
        std::atomic<int> beyondWindow{0};
        ReadAhead ahead(
            c.count, c.window, c.readers,
            [&](std::size_t item, const std::atomic<bool>&) {
                if (item > callerAt + c.window) ++beyondWindow;
                ++worked[item];
                std::this_thread::yield();
                finished[item] = true;
                return true;
            },
            c.kind);
        for (std::size_t item = 0; item < c.count; ++item) {
            callerAt = item;
            const bool done = ahead.Reach(item);
            // Done means done: the work of the item has ended.
            if (done) {
                EXPECT_TRUE(finished[item]) << item;
            }
            // The caller waits for a sharing reader at work on its item, and
            // one not begun never begins.
            if (c.kind == ReadAhead::Kind::Sharing) {
                EXPECT_EQ(done, worked[item] == 1) << item;
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
        return true;
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
        ReadAhead ahead(10, window, readers, [&](std::size_t, const std::atomic<bool>&) {
            ++worked;
            return true;
        });
        for (std::size_t item = 0; item < 10; ++item) EXPECT_FALSE(ahead.Reach(item));
        ahead.Stop();
        EXPECT_EQ(worked, 0);
    }
}

// Work that was not worth doing ahead (its data was in memory) leaves the
// next 1, 3, 7, ... 63 items to the caller; work that was ends that.
TEST(ReadAhead, LeavesMoreItemsToTheCallerAfterWorkThatWasNotWorthIt) {
    struct Case {
        std::size_t worthFrom;  // work on items from here on is worth it
        std::vector<std::size_t> worked;
    };
    std::vector<std::size_t> resumed = {0, 2, 6, 14};
    for (std::size_t item = 15; item < 200; ++item) resumed.push_back(item);
    for (const Case& c : {Case{1000, {0, 2, 6, 14, 30, 62, 126, 190}}, Case{10, resumed}}) {
        std::mutex mutex;
        std::vector<std::size_t> worked;
        // One reader and a window over every item: the order is fixed.
        ReadAhead ahead(200, 200, 1, [&](std::size_t item, const std::atomic<bool>&) {
            const std::lock_guard<std::mutex> lock(mutex);
            worked.push_back(item);
            return item >= c.worthFrom;
        });
        while (ahead.Begun() < c.worked.size()) std::this_thread::yield();
        ahead.Stop();
        EXPECT_EQ(worked, c.worked);
    }
}
