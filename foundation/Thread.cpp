#include "foundation/Thread.h"

#include "foundation/Exception.h"
#include "foundation/Reporter.h"

#include <system_error>

namespace Norq {

Thread::~Thread() {
    stop();
}

void Thread::start() {
    if (isRunning())
        return;
    join(); // the previous run ended by itself
    m_stopEvent.reset();
    m_running = true;
    try {
        m_thread = std::thread([this] {
            try {
                run();
            } catch (const std::exception& failure) {
                // Nobody could catch it on this thread; leave a trace instead of ending the
                // process.
                report("Norq", "worker thread ended by an exception", failure.what());
            }
            m_running = false;
        });
    } catch (const std::system_error&) {
        m_running = false;
        throw ThreadFailure("Can't create thread!");
    }
}

void Thread::stop() {
    requestStop();
    join();
}

void Thread::requestStop() {
    if (m_running.exchange(false))
        m_stopEvent.signal();
}

void Thread::join() {
    // A worker that stops itself cannot wait for its own end.
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

} // namespace Norq
