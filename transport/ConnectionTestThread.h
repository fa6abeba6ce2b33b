#pragma once

#include "foundation/Thread.h"
#include "logic/ConnectionSettings.h"
#include "transport/CheckProblem.h"
#include "transport/ConnectionTestListener.h"
#include "transport/Pop3Session.h"

#include <atomic>
#include <mutex>
#include <optional>

class MailboxOpeningSteps;

/// Tries an account's connection settings on its own thread: connects, logs in, reads the
/// mailbox's status and says goodbye, telling the listener each step and the result. It opens
/// the mailbox exactly as a check does (the same capabilities, log-in, pipelining and retry
/// without it), so a test that passes means checks will work. Nothing is fetched and no
/// account is touched.
class ConnectionTestThread : public Norq::Thread {
public:
    /// `listener` is not owned; it is told nothing once `abandon` has returned.
    ConnectionTestThread(ConnectionTestListener& listener,
                         const Logic::ConnectionSettings& settings, const Pop3Limits& limits = {});
    ~ConnectionTestThread() override;

    /// Cuts the listener off for good and asks the test to stop, without waiting for it: the
    /// test's network waits all watch the stop request, so it ends within a moment.
    void abandon();
    /// True once the test has run to its end (or to the stop), with nothing left to report.
    bool hasEnded() const { return m_ended.load(); }

protected:
    void run() override;

private:
    void test();
    /// Connects, logs in and examines the INBOX of an IMAP account; `count` its messages.
    std::optional<CheckProblem> openImap(MailboxOpeningSteps& steps, int& count);
    /// Calls the listener unless the test was abandoned or stopped.
    template <class Call> void report(Call&& call);

    std::mutex m_listenerLock;
    ConnectionTestListener* m_listener;
    Logic::ConnectionSettings m_settings;
    Pop3Limits m_limits;
    std::atomic<bool> m_ended{false};
};
