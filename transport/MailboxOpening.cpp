#include "transport/MailboxOpening.h"

#include "transport/AccountPassword.h"
#include "transport/SessionFailure.h"

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
    if (auto problem = connectAndLogIn(session, settings, steps))
        return problem;
    long long size = 0;
    messageCount = 0;
    if (!session.stat(messageCount, size))
        return problemOf(session);
    return std::nullopt;
}
