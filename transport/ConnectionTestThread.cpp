#include "transport/ConnectionTestThread.h"

#include "transport/ImapMailboxOpening.h"
#include "transport/MailboxOpening.h"

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
    // The steps reached tell which failure the listener hears.
    struct Steps : MailboxOpeningSteps {
        explicit Steps(ConnectionTestThread& test) : m_test(test) {}
        void loggingIn() override {
            reached = 1;
            m_test.report([](ConnectionTestListener& listener) { listener.authorizing(); });
        }
        void readingStatus() override {
            reached = 2;
            m_test.report([](ConnectionTestListener& listener) { listener.retrievingStatus(); });
        }
        ConnectionTestThread& m_test;
        int reached = 0;
    } steps(*this);

    int count = 0;
    bool stalled = false;
    const auto problem =
        m_settings.protocol() == Logic::ConnectionSettings::Protocol::Imap
            ? openImap(steps, count)
            : attemptWithFallback(m_settings, stopDescriptor(), m_limits, true, stalled,
                                  [&](Pop3Session& session) -> std::optional<CheckProblem> {
                                      steps.reached = 0;
                                      auto failed = openMailbox(session, m_settings, count, &steps);
                                      if (!failed)
                                          session.quit();
                                      return failed;
                                  });
    if (!problem) {
        report([&](ConnectionTestListener& listener) { listener.succeeded(count); });
        return;
    }
    const std::string& reason = problem->reason;
    report([&](ConnectionTestListener& listener) {
        if (steps.reached == 2)
            listener.statusFailed(reason);
        else if (problem->kind == CheckFailure::Login)
            listener.loginFailed(reason);
        else
            listener.connectFailed(reason);
    });
}

std::optional<CheckProblem> ConnectionTestThread::openImap(MailboxOpeningSteps& steps, int& count) {
    ImapSession session = imapSessionFor(m_settings, stopDescriptor(), m_limits);
    session.setDeadline(std::chrono::steady_clock::now() + m_limits.check);
    ImapMailboxState state;
    std::vector<std::uint32_t> unseen;
    auto failed = openImapMailbox(session, m_settings, state, unseen, &steps);
    if (!failed) {
        count = static_cast<int>(std::min<std::uint32_t>(state.exists, INT32_MAX));
        session.logout();
    }
    return failed;
}

template <class Call> void ConnectionTestThread::report(Call&& call) {
    std::lock_guard lock(m_listenerLock);
    // A stopped session fails its step; that is no result to tell anyone about.
    if (m_listener != nullptr && isRunning())
        call(*m_listener);
}
