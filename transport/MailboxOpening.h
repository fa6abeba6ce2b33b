#pragma once

#include "logic/ConnectionSettings.h"
#include "transport/AccountPassword.h"
#include "transport/CheckProblem.h"
#include "transport/Pop3Session.h"

#include <optional>

/// Hears the steps of opening a mailbox as each begins; the connection test shows them.
class MailboxOpeningSteps {
public:
    virtual ~MailboxOpeningSteps() = default;
    virtual void loggingIn() = 0;
    virtual void readingStatus() = 0;
};

/// Connects and logs in on a fresh Pop3Session or ImapSession the way every check does, telling
/// `steps` of the log-in and, once it worked, of what follows; the problem when a step failed.
/// The password comes first: a keyring that cannot give it is no server's fault.
template <class Session>
std::optional<CheckProblem> connectAndLogIn(Session& session,
                                            const Logic::ConnectionSettings& settings,
                                            MailboxOpeningSteps* steps) {
    auto password = accountPassword(settings);
    if (auto* problem = std::get_if<CheckProblem>(&password))
        return *problem;
    if (!session.connect())
        return problemOf(session, CheckFailure::Connect);
    if (steps)
        steps->loggingIn();
    if (!session.logIn(settings.userLogin(), std::get<std::string>(password))) {
        // A refusal is a wrong login or password; anything else broke the connection.
        const bool refused = session.failure() == decltype(session.failure())::Refused;
        return problemOf(session, refused ? CheckFailure::Login : CheckFailure::Connect);
    }
    if (steps)
        steps->readingStatus();
    return std::nullopt;
}

/// Opens a mailbox on a fresh session the way every check does — connect (CAPA, UTF8), log in,
/// STAT — so that a connection test goes through the very same dialogue as a check. Nothing is
/// sent behind PASS before its reply. Returns the problem when a step failed; `messageCount`
/// receives the count STAT gave.
std::optional<CheckProblem> openMailbox(Pop3Session& session,
                                        const Logic::ConnectionSettings& settings,
                                        int& messageCount, MailboxOpeningSteps* steps = nullptr);

/// The problem behind the session's last failure, at the step that failed: before the log-in
/// no connection (or no TLS), at the log-in a refusal (or busy), after it the server's replies.
CheckProblem problemOf(const Pop3Session& session, CheckFailure afterLogIn = CheckFailure::Server);

/// Runs `attempt` (a callable taking a Pop3Session&) on a fresh session for `settings`; when a
/// pipelined batch stalled in it — an earlier reply came, a later one never did — runs it once
/// more on a fresh connection without pipelining, and sets `stalled`. The result of a check is
/// the same either way. Both tries together end within the limit of a whole check.
template <class Attempt>
auto attemptWithFallback(const Logic::ConnectionSettings& settings, int stopDescriptor,
                         const Pop3Limits& limits, bool pipelining, bool& stalled,
                         Attempt&& attempt) {
    const auto deadline = std::chrono::steady_clock::now() + limits.check;
    Pop3Session session(settings.serverName(), settings.port(), settings.useTls(), stopDescriptor,
                        limits);
    session.setDeadline(deadline);
    session.setPipelining(pipelining);
    auto result = attempt(session);
    stalled = pipelining && session.pipelineStalled();
    if (!stalled)
        return result;
    // Many servers hold the mailbox locked until the session that logged in ends.
    session.disconnect();
    Pop3Session oneByOne(settings.serverName(), settings.port(), settings.useTls(), stopDescriptor,
                         limits);
    oneByOne.setDeadline(deadline);
    oneByOne.setPipelining(false);
    return attempt(oneByOne);
}
