#include "transport/MailChecker.h"

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
    const Logic::ConnectionSettings& settings = entry.connectionSettings;
    Pop3Session session(settings.serverName(), settings.port(), settings.useTls(), stopDescriptor(),
                        m_limits);
    if (!session.connect()) {
        reportFailure(entry, session,
                      session.failure() == Pop3Failure::Tls ? CheckFailure::Tls
                                                            : CheckFailure::Connect);
        return;
    }
    // Login and STAT go out together when the server pipelines.
    if (!session.askLogIn(settings.userLogin(), settings.password())) {
        reportFailure(entry, session, CheckFailure::Login);
        return;
    }
    session.askStat();
    if (!session.readLogIn()) {
        // A refusal is a wrong login or password; anything else broke the connection. Either
        // way the account was not checked, and the user must be told.
        reportFailure(entry, session,
                      session.failure() == Pop3Failure::Refused ? CheckFailure::Login
                                                                : CheckFailure::Connect);
        return;
    }
    int count = 0;
    long long size = 0;
    if (!session.readStat(count, size)) {
        reportFailure(entry, session, CheckFailure::Server);
        return;
    }
    MailboxWalk walk(session, entry, m_maxNewMails);
    switch (walk.run(count)) {
    case MailboxWalk::End::Complete:
        session.quit();
        m_listener.accountChecked(entry, walk.newMails());
        return;
    case MailboxWalk::End::Failed:
        m_listener.accountFailed(entry, CheckFailure::Server);
        return;
    case MailboxWalk::End::Stopped:
        return;
    }
}

void MailChecker::reportFailure(const AccountCheckEntry& entry, const Pop3Session& session,
                                CheckFailure failure) {
    if (session.failure() != Pop3Failure::Stopped)
        m_listener.accountFailed(entry, failure);
}
