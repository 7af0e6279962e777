#include "platform/ReadAhead.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

namespace platform {
namespace {

constexpr int LOWEST_PRIORITY = 19;

}  // namespace

ReadAhead::ReadAhead(std::size_t count, std::size_t window, std::size_t readers, Work work)
    : window(window), work(std::move(work)), states(count, State::Waiting) {
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
    setpriority(PRIO_PROCESS, id_t(gettid()), LOWEST_PRIORITY);
    std::unique_lock<std::mutex> lock(mutex);
    while (true) {
        changed.wait(
            lock, [this] { return stopping || next >= states.size() || next < reached + window; });
        if (stopping || next >= states.size()) return;
        const std::size_t item = next++;
        states[item] = State::Working;
        ++begun;
        lock.unlock();
        work(item, stopping);
        lock.lock();
        states[item] = State::Done;
    }
}

bool ReadAhead::Reach(std::size_t item) {
    const std::lock_guard<std::mutex> lock(mutex);
    if (item >= states.size()) return false;
    reached = std::max(reached, item + 1);
    for (; next <= item; ++next) states[next] = State::Passed;
    changed.notify_all();
    return states[item] == State::Done;
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
