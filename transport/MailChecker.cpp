#include "transport/MailChecker.h"

#include "transport/ImapCheck.h"
#include "transport/ImapMailboxOpening.h"
#include "transport/MailboxOpening.h"
#include "transport/MailboxWalk.h"

namespace {

// "16 MiB", "100 KiB", "10 bytes".
std::string sizeText(std::size_t bytes) {
    constexpr std::size_t kKiB = 1024;
    if (bytes >= kKiB * kKiB && bytes % (kKiB * kKiB) == 0)
        return std::to_string(bytes / (kKiB * kKiB)) + " MiB";
    if (bytes >= kKiB && bytes % kKiB == 0)
        return std::to_string(bytes / kKiB) + " KiB";
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

} // namespace

MailChecker::MailChecker(MailCheckListener& listener, const Pop3Limits& limits,
                         std::size_t maxNewMails)
    : m_listener(listener), m_limits(limits), m_maxNewMails(maxNewMails) {}

MailChecker::~MailChecker() {
    stop();
}

void MailChecker::setWorkList(std::vector<AccountCheckEntry> workList) {
    m_workList = std::move(workList);
}

void MailChecker::run() {
    for (const AccountCheckEntry& entry : m_workList) {
        if (!isRunning())
            break;
        m_listener.accountStarting(entry);
        checkAccount(entry);
        m_listener.accountFinished(entry);
    }
    m_listener.checkFinished();
}

void MailChecker::checkAccount(const AccountCheckEntry& entry) {
    const std::string& address = entry.connectionSettings.emailAddress();
    bool stalled = false;
    const Outcome outcome =
        entry.connectionSettings.protocol() == Logic::ConnectionSettings::Protocol::Imap
            ? checkImapAccount(entry)
            : attemptWithFallback(entry.connectionSettings, stopDescriptor(), m_limits,
                                  !m_oneCommandAtATime.contains(address), stalled,
                                  [&](Pop3Session& session) { return attempt(session, entry); });
    if (stalled)
        m_oneCommandAtATime.insert(address);
    if (outcome.stopped)
        return;
    if (!outcome.problem || outcome.findings.cut)
        m_listener.accountChecked(entry, outcome.findings);
    if (outcome.problem)
        m_listener.accountFailed(entry, *outcome.problem);
}

std::string MailChecker::cutReason(const Pop3Session& session, bool kept) const {
    const std::string why =
        session.failure() == Pop3Failure::OutOfTime
            ? session.failureReason()
            : "The check fetched more than " + sizeText(m_limits.checkBytes) + " of headers.";
    return why + (kept ? " The new messages found so far are listed; the next check reads on."
                       : " The next check begins again.");
}

MailChecker::Outcome MailChecker::checkImapAccount(const AccountCheckEntry& entry) const {
    ImapSession session = imapSessionFor(entry.connectionSettings, stopDescriptor(), m_limits);
    session.setDeadline(std::chrono::steady_clock::now() + m_limits.check);
    ImapMailboxState state;
    std::vector<std::uint32_t> unseen;
    if (auto problem = openImapMailbox(session, entry.connectionSettings, state, unseen))
        return {std::move(problem), {}, session.failure() == ImapFailure::Stopped};
    ImapCheck check(session, entry, m_maxNewMails);
    if (!check.run(state, std::move(unseen)))
        return {problemOf(session), {}, session.failure() == ImapFailure::Stopped};
    if (check.findings().cut)
        return {CheckProblem{CheckFailure::Server,
                             "The check fetched more than " + sizeText(m_limits.checkBytes) +
                                 " of headers. The new messages found so far are listed; the "
                                 "next check reads on.",
                             true},
                check.findings()};
    return {std::nullopt, check.findings()};
}

MailChecker::Outcome MailChecker::attempt(Pop3Session& session,
                                          const AccountCheckEntry& entry) const {
    int count = 0;
    if (auto problem = openMailbox(session, entry.connectionSettings, count))
        return {std::move(problem), {}, session.failure() == Pop3Failure::Stopped};
    MailboxWalk walk(session, entry, m_maxNewMails, m_limits.checkBytes);
    const MailboxWalk::End end = walk.run(count);
    switch (end) {
    case MailboxWalk::End::Complete:
        session.quit();
        return {std::nullopt, {walk.newMails(), walk.seenMessages(end), false, std::nullopt}};
    case MailboxWalk::End::Cut: {
        const bool kept = session.capabilities().uidl;
        CheckProblem problem{CheckFailure::Server, cutReason(session, kept), true};
        if (!kept)
            return {std::move(problem), {}, false};
        return {std::move(problem), {walk.newMails(), walk.seenMessages(end), true, std::nullopt}};
    }
    case MailboxWalk::End::Failed:
        return {problemOf(session), {}, false};
    case MailboxWalk::End::Stopped:
        break;
    }
    return {std::nullopt, {}, true};
}
