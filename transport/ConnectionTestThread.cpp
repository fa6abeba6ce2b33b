#include "transport/ConnectionTestThread.h"

ConnectionTestThread::ConnectionTestThread(ConnectionTestListener& listener,
                                           const Logic::ConnectionSettings& settings,
                                           const Pop3Limits& limits)
    : m_listener(&listener), m_settings(settings), m_limits(limits) {}

ConnectionTestThread::~ConnectionTestThread() {
    stop();
}

void ConnectionTestThread::abandon() {
    requestStop();
    // Taking the lock waits for a report in progress, so none is left under way on return.
    std::lock_guard lock(m_listenerLock);
    m_listener = nullptr;
}

void ConnectionTestThread::run() {
    // Marked however the test ends, an exception included, so an abandoned test is let go.
    struct MarkEnded {
        std::atomic<bool>& ended;
        ~MarkEnded() { ended = true; }
    } mark{m_ended};
    test();
}

void ConnectionTestThread::test() {
    Pop3Session session(m_settings.serverName(), m_settings.port(), m_settings.useTls(),
                        stopDescriptor(), m_limits);
    if (!session.connect()) {
        const std::string tlsReason = session.tlsFailureReason();
        report([&](ConnectionTestListener& listener) { listener.connectFailed(tlsReason); });
        return;
    }
    report([](ConnectionTestListener& listener) { listener.authorizing(); });
    if (!session.logIn(m_settings.userLogin(), m_settings.password())) {
        report([](ConnectionTestListener& listener) { listener.loginFailed(); });
        return;
    }
    report([](ConnectionTestListener& listener) { listener.retrievingStatus(); });
    int count = 0;
    long long size = 0;
    if (!session.stat(count, size)) {
        report([](ConnectionTestListener& listener) { listener.statusFailed(); });
        return;
    }
    session.quit();
    report([&](ConnectionTestListener& listener) { listener.succeeded(count); });
}

template <class Call> void ConnectionTestThread::report(Call&& call) {
    std::lock_guard lock(m_listenerLock);
    // A stopped session fails its step; that is no result to tell anyone about.
    if (m_listener != nullptr && isRunning())
        call(*m_listener);
}
