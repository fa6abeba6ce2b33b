#pragma once

#include "platform/WakeEvent.h"

#include <atomic>
#include <thread>

namespace Norq {

/// Base of every worker thread. `run` is the work; it tests `isRunning` between steps and
/// returns once a stop was asked for. Long waits inside `run` (the network's `poll`) also watch
/// `stopDescriptor`, which becomes readable on a stop request, so `stop` never waits long.
///
/// A subclass calls `stop` in its own destructor: by the time this base destructor runs, the
/// subclass's members that `run` uses are already gone.
class Thread {
public:
    Thread() = default;
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;
    virtual ~Thread();

    /// Starts `run` on a new thread unless it is already running; throws ThreadFailure
    /// ("Can't create thread!") when the system cannot make one.
    void start();
    /// Asks the worker to stop and waits until it has ended. Returns at once if it is idle.
    void stop();
    /// Asks the worker to stop without waiting for it; `stop` or the destructor waits later.
    void requestStop();
    /// True from `start` until the run ends or a stop is asked for.
    bool isRunning() const { return m_running.load(); }

    /// Readable once a stop was requested; for `poll` next to a socket.
    int stopDescriptor() const { return m_stopEvent.descriptor(); }

protected:
    virtual void run() = 0;

private:
    void join();

    std::atomic<bool> m_running{false};
    std::thread m_thread;
    Platform::WakeEvent m_stopEvent;
};

} // namespace Norq
