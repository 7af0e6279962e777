#include "platform/ReadAhead.h"

#include <algorithm>

namespace platform {

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
        changed.notify_all();
    }
}

bool ReadAhead::Reach(std::size_t item) {
    std::unique_lock<std::mutex> lock(mutex);
    if (item >= states.size()) return false;
    Came(item);
    changed.wait(lock, [this, item] { return states[item] != State::Working; });
    return states[item] == State::Done;
}

void ReadAhead::Pass(std::size_t item) {
    const std::lock_guard<std::mutex> lock(mutex);
    if (item < states.size()) Came(item);
}

void ReadAhead::Came(std::size_t item) {
    reached = std::max(reached, item + 1);
    for (; next <= item; ++next) states[next] = State::Passed;
    changed.notify_all();
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
