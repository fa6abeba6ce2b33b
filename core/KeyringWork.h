#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

/// The one thread on which the desktop's keyring is written to: passwords stored, moved and
/// deleted in the order they were asked for, so that the deletion for a removed account never
/// overtakes the password of an account added again under the same address. A task may wait
/// on the keyring for long (a person unlocking it); the interface thread never does. The thread
/// starts with the first task; the destructor lets the tasks already asked for finish.
class KeyringWork {
public:
    KeyringWork() = default;
    KeyringWork(const KeyringWork&) = delete;
    KeyringWork& operator=(const KeyringWork&) = delete;
    ~KeyringWork();

    /// Runs `task` on the keyring's thread after those asked for before it.
    void post(std::function<void()> task);

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_tasks;
    bool m_ending = false;
    std::thread m_thread;
};
