#include "transport/MailChecker.h"

#include "logic/Mail.h"

namespace {

bool isNew(const Logic::Mail& mail, const AccountCheckEntry& entry) {
    return mail.received() > entry.newestKnown;
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
    const Logic::ConnectionSettings& settings = entry.connectionSettings;
    Pop3Session session(settings.serverName(), settings.port(), settings.useTls(), stopDescriptor(),
                        m_limits);
    if (!session.connect()) {
        if (session.failure() != Pop3Failure::Stopped)
            m_listener.accountFailed(entry, session.failure() == Pop3Failure::Tls
                                                ? CheckFailure::Tls
                                                : CheckFailure::Connect);
        return;
    }
    if (!session.user(settings.userLogin()) || !session.pass(settings.password())) {
        // A refusal is a wrong login or password; anything else broke the connection. Either
        // way the account was not checked, and the user must be told.
        if (session.failure() != Pop3Failure::Stopped)
            m_listener.accountFailed(entry, session.failure() == Pop3Failure::Refused
                                                ? CheckFailure::Login
                                                : CheckFailure::Connect);
        session.disconnect();
        return;
    }
    int count = 0;
    long long size = 0;
    if (!session.stat(count, size)) {
        m_listener.accountChecked(entry, {});
        session.disconnect();
        return;
    }
    Logic::Account::MailList newMails = walkMailbox(session, entry, count);
    session.quit();
    m_listener.accountChecked(entry, newMails);
    session.disconnect();
}

Logic::Account::MailList MailChecker::walkMailbox(Pop3Session& session,
                                                  const AccountCheckEntry& entry, int count) {
    Logic::Account::MailList newMails;
    if (count <= 0)
        return newMails;
    const auto first = fetch(session, entry, 0);
    const auto last = fetch(session, entry, count - 1);
    if (!first || !last)
        return newMails;

    // Servers list the mailbox oldest first as a rule, but not all do; the first and the last
    // message tell which end is the newest.
    const bool ascending = first->received() < last->received();
    const int step = ascending ? -1 : 1;
    const auto& start = ascending ? last : first;
    if (!isNew(*start, entry))
        return newMails;
    newMails.push_back(start);
    for (int index = ascending ? count - 2 : 1;
         index >= 0 && index < count && newMails.size() < m_maxNewMails; index += step) {
        auto mail = fetch(session, entry, index);
        if (!mail || !isNew(*mail, entry))
            break;
        newMails.push_back(std::move(mail));
    }
    return newMails;
}

std::shared_ptr<Logic::Mail> MailChecker::fetch(Pop3Session& session,
                                                const AccountCheckEntry& entry, int index) {
    std::string header;
    if (!isRunning() || !session.top(index + 1, 0, header))
        return nullptr;
    return std::make_shared<Logic::Mail>(entry.connectionSettings.emailAddress(), header);
}
