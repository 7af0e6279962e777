#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Work on the items of a list before a caller who takes them one by one, in
// order, comes to them. On a share where each request waits a round trip,
// or on a cold disk, most of a file's time is spent waiting; a few readers
// that wait at once for the next items hide that time, while the caller
// keeps its order. The readers never go more than a fixed window past the
// item the caller has come to, so what they hold stays bounded, and they
// never begin an item the caller has reached: the caller does that one
// itself.
namespace platform {

class ReadAhead {
public:
    // What the readers' work is to the caller.
    enum class Kind {
        // It only warms what the caller does anyway (the reads of
        // identifying a disc): the readers take the processor only when
        // nothing else wants it, and the caller never waits for them.
        Warming,
        // It is the caller's work done for it (hashing a disc), which costs
        // the processor as much as it waits: done twice, it would cost more
        // than waiting. The readers run at the caller's priority, and the
        // caller waits for an item a reader has begun.
        Sharing,
    };

    // Does the work of one item, and says whether doing it ahead was worth
    // it (it had to wait for its data, or it left a result the caller
    // takes). After work that was not, the readers leave a growing number of
    // items to the caller (1, 3, 7, ... up to 63), so that a list whose data
    // is in memory already costs next to nothing; work that was worth it
    // ends that. It should return soon once `stopping` is set; it runs on a
    // reader's thread, beside the caller and the other readers.
    using Work = std::function<bool(std::size_t item, const std::atomic<bool>& stopping)>;

    // Readers for items 0 .. count-1: `readers` threads, at most `window`
    // items past the one the caller has come to (before it comes to the
    // first, items 0 .. window-1). No reader starts when `readers` or
    // `window` is 0.
    ReadAhead(std::size_t count, std::size_t window, std::size_t readers, Work work,
              Kind kind = Kind::Warming);
    // Stops the readers and waits for them.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The caller comes to `item` (items come in increasing order), which
    // lets the readers go on to item + window. True when a reader has done
    // its work; false when none has, and then none begins it (a reader may
    // still be at it: what it leaves is not the caller's to take). Warming
    // readers are never waited for: a caller that waited could wait long for
    // one the processor has little time for. A Sharing reader at work on
    // `item` is waited for, and then it is done.
    bool Reach(std::size_t item);

    // No item begins after this; returns when every reader has ended.
    void Stop();

    // Items whose work a reader began; for tests.
    std::size_t Begun() const;

private:
    enum class State { Waiting, Working, Done, Passed };

    void Read();
    // Under the lock: how many items the readers may take now (all of the
    // window once every item is taken, so that the readers end).
    std::size_t Room() const;

    const std::size_t window;
    const Work work;
    const Kind kind;
    mutable std::mutex mutex;
    std::condition_variable changed;
    std::vector<State> states;
    std::size_t next = 0;     // the first item no reader has taken
    std::size_t reached = 0;  // items below this the caller has come to
    std::size_t begun = 0;
    // Items left to the caller after the last work that was not worth it.
    std::size_t leaveAfterIdle = 0;
    std::atomic<bool> stopping{false};
    std::vector<std::thread> threads;
};

}  // namespace platform
