#include "transport/MailboxOpening.h"

#include "transport/AccountPassword.h"

namespace {

// Failures that a later try may not meet: no connection, no answer, a lost connection, busy,
// a server too slow this time.
bool mayPass(Pop3Failure failure) {
    return failure == Pop3Failure::Connect || failure == Pop3Failure::NoReply ||
           failure == Pop3Failure::Closed || failure == Pop3Failure::Busy ||
           failure == Pop3Failure::OutOfTime;
}

} // namespace

CheckProblem problemOf(const Pop3Session& session, CheckFailure afterLogIn) {
    CheckProblem problem;
    problem.reason = session.failureReason();
    problem.mayPass = mayPass(session.failure());
    switch (session.failure()) {
    case Pop3Failure::Tls:
        problem.kind = CheckFailure::Tls;
        break;
    case Pop3Failure::Busy:
        problem.kind = CheckFailure::Busy;
        problem.retryAfter = session.capabilities().loginDelay;
        break;
    default:
        problem.kind = afterLogIn;
        break;
    }
    return problem;
}

std::optional<CheckProblem> openMailbox(Pop3Session& session,
                                        const Logic::ConnectionSettings& settings,
                                        int& messageCount, MailboxOpeningSteps* steps) {
    // Before the connection: a keyring that cannot give the password is no server's fault.
    auto password = accountPassword(settings);
    if (auto* problem = std::get_if<CheckProblem>(&password))
        return *problem;
    if (!session.connect())
        return problemOf(session, CheckFailure::Connect);
    if (steps)
        steps->loggingIn();
    if (!session.logIn(settings.userLogin(), std::get<std::string>(password))) {
        // A refusal is a wrong login or password; anything else broke the connection.
        const bool refused = session.failure() == Pop3Failure::Refused;
        return problemOf(session, refused ? CheckFailure::Login : CheckFailure::Connect);
    }
    if (steps)
        steps->readingStatus();
    long long size = 0;
    messageCount = 0;
    if (!session.stat(messageCount, size))
        return problemOf(session);
    return std::nullopt;
}
