#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace TestSupport {

/// Events written down by one thread (a checker's callbacks) and read by the test's thread,
/// which can wait until a given event has come last.
class EventLog {
public:
    void record(std::string event) {
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(event));
        m_changed.notify_all();
    }

    /// Waits until `last` is the latest event and has come `times` times; returns every event
    /// so far and starts afresh.
    std::vector<std::string> waitFor(const std::string& last, std::ptrdiff_t times = 1) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] {
            return !m_events.empty() && m_events.back() == last &&
                   std::count(m_events.begin(), m_events.end(), last) >= times;
        });
        return std::exchange(m_events, {});
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_events;
};

} // namespace TestSupport
