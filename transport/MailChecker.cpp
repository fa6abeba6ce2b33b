#include "transport/MailChecker.h"

#include "transport/MailboxOpening.h"
#include "transport/MailboxWalk.h"

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
        attemptWithFallback(entry.connectionSettings, stopDescriptor(), m_limits,
                            !m_oneCommandAtATime.contains(address), stalled,
                            [&](Pop3Session& session) { return attempt(session, entry); });
    if (stalled)
        m_oneCommandAtATime.insert(address);
    if (outcome.stopped)
        return;
    if (outcome.problem)
        m_listener.accountFailed(entry, *outcome.problem);
    else
        m_listener.accountChecked(entry, outcome.newMails);
}

MailChecker::Outcome MailChecker::attempt(Pop3Session& session,
                                          const AccountCheckEntry& entry) const {
    int count = 0;
    if (auto problem = openMailbox(session, entry.connectionSettings, count))
        return {std::move(problem), {}, session.failure() == Pop3Failure::Stopped};
    MailboxWalk walk(session, entry, m_maxNewMails);
    switch (walk.run(count)) {
    case MailboxWalk::End::Complete:
        session.quit();
        return {std::nullopt, walk.newMails()};
    case MailboxWalk::End::Failed:
        return {problemOf(session), {}, false};
    case MailboxWalk::End::Stopped:
        break;
    }
    return {std::nullopt, {}, true};
}
