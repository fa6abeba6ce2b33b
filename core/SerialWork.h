#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

/// A thread of its own for tasks that may wait long (on the desktop's keyring and a person
/// unlocking it, on a mail server), run one after another in the order they were asked for,
/// so that the interface thread never waits. The thread starts with the first task; the
/// destructor lets the tasks already asked for finish.
class SerialWork {
public:
    SerialWork() = default;
    SerialWork(const SerialWork&) = delete;
    SerialWork& operator=(const SerialWork&) = delete;
    ~SerialWork();

    /// Runs `task` on the thread after those asked for before it.
    void post(std::function<void()> task);

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_tasks;
    bool m_ending = false;
    std::thread m_thread;
};
