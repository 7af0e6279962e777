#include "platform/ReadAhead.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

namespace platform {
namespace {

constexpr int LOWEST_PRIORITY = 19;
// The most items left to the caller after work that was not worth it.
constexpr std::size_t MAX_LEFT = 63;

}  // namespace

ReadAhead::ReadAhead(std::size_t count, std::size_t window, std::size_t readers, Work work,
                     Kind kind)
    : window(window), work(std::move(work)), kind(kind), states(count, State::Waiting) {
    if (window == 0 || count == 0) return;
    readers = std::min(readers, count);
    threads.reserve(readers);
    for (std::size_t i = 0; i < readers; ++i) threads.emplace_back([this] { Read(); });
}

ReadAhead::~ReadAhead() {
    Stop();
}

void ReadAhead::Read() {
    // A reader mostly waits for its reads. Where the data is in memory
    // already, its work only repeats the caller's: it takes the processor
    // only when the caller (and everything else) can spare it. (The nice
    // value is a thread's own on Linux.)
    if (kind == Kind::Warming) setpriority(PRIO_PROCESS, id_t(gettid()), LOWEST_PRIORITY);
    std::unique_lock<std::mutex> lock(mutex);
    while (true) {
        changed.wait(lock, [this] { return stopping || Room() > 0; });
        if (stopping || next >= states.size()) return;
        const std::size_t item = next++;
        states[item] = State::Working;
        ++begun;
        lock.unlock();
        const bool worthIt = work(item, stopping);
        lock.lock();
        states[item] = State::Done;
        // The caller may be waiting for this one.
        if (kind == Kind::Sharing && item < reached) changed.notify_all();
        if (worthIt) {
            leaveAfterIdle = 0;
            continue;
        }
        leaveAfterIdle = std::min(2 * leaveAfterIdle + 1, MAX_LEFT);
        const std::size_t end = std::min(states.size(), next + leaveAfterIdle);
        for (; next < end; ++next) states[next] = State::Passed;
    }
}

bool ReadAhead::Reach(std::size_t item) {
    std::unique_lock<std::mutex> lock(mutex);
    if (item >= states.size()) return false;
    reached = std::max(reached, item + 1);
    for (; next <= item; ++next) states[next] = State::Passed;
    // One reader for one item that came into the window: waking them all
    // for each item costs a run whose data is in memory more than they save.
    const std::size_t room = Room();
    if (room == 1) {
        changed.notify_one();
    } else if (room > 1) {
        changed.notify_all();
    }
    if (kind == Kind::Sharing) {
        changed.wait(lock, [this, item] { return states[item] != State::Working; });
    }
    return states[item] == State::Done;
}

std::size_t ReadAhead::Room() const {
    if (next >= states.size()) return window;
    return next >= reached + window ? 0 : reached + window - next;
}

void ReadAhead::Stop() {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    for (std::thread& thread : threads) {
        if (thread.joinable()) thread.join();
    }
}

std::size_t ReadAhead::Begun() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return begun;
}

}  // namespace platform
