#include "transport/ImapMailboxOpening.h"

#include "transport/AccountPassword.h"
#include "transport/SessionFailure.h"

CheckProblem problemOf(const ImapSession& session, CheckFailure afterLogIn) {
    CheckProblem problem;
    problem.reason = session.failureReason();
    problem.mayPass = mayPass(session.failure());
    switch (session.failure()) {
    case ImapFailure::Tls:
    case ImapFailure::NoTls:
        problem.kind = CheckFailure::Tls;
        break;
    case ImapFailure::Busy:
        problem.kind = CheckFailure::Busy;
        break;
    default:
        problem.kind = afterLogIn;
        break;
    }
    return problem;
}

ImapSession imapSessionFor(const Logic::ConnectionSettings& settings, int stopDescriptor,
                           const Pop3Limits& limits) {
    return ImapSession(settings.serverName(), settings.port(),
                       settings.useTls() ? ImapSecurity::Tls : ImapSecurity::StartTls,
                       stopDescriptor, limits);
}

std::optional<CheckProblem> openImapMailbox(ImapSession& session,
                                            const Logic::ConnectionSettings& settings,
                                            ImapMailboxState& state,
                                            std::vector<std::uint32_t>& unseen,
                                            MailboxOpeningSteps* steps) {
    if (auto problem = connectAndLogIn(session, settings, steps))
        return problem;
    if (!session.examine("INBOX", state, &unseen))
        return problemOf(session);
    return std::nullopt;
}

std::optional<CheckProblem> markSeenOnServer(const Logic::ConnectionSettings& settings,
                                             const std::vector<std::uint32_t>& uids,
                                             const Pop3Limits& limits) {
    ImapSession session = imapSessionFor(settings, -1, limits);
    session.setDeadline(std::chrono::steady_clock::now() + limits.check);
    ImapMailboxState state;
    if (auto problem = connectAndLogIn(session, settings, nullptr))
        return problem;
    if (!session.select("INBOX", state) || !session.storeSeen(uids))
        return problemOf(session);
    session.logout();
    return std::nullopt;
}
