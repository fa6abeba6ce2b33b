#include "core/CheckStarter.h"

#include "logic/AccountMgr.h"

CheckStarter::CheckStarter(Logic::AccountMgr& accountMgr, const Pop3Limits& limits)
    : m_accountMgr(accountMgr), m_checker(m_forwarder, limits) {}

CheckStarter::~CheckStarter() {
    m_checker.stop();
}

void CheckStarter::setObserver(CheckObserver* observer) {
    m_forwarder.setObserver(observer);
}

bool CheckStarter::startCheck(const Selection& selected) {
    if (m_checker.isRunning())
        return false;
    std::vector<AccountCheckEntry> workList;
    {
        std::lock_guard lock(m_accountMgr.accountLock());
        for (Logic::Account& account : m_accountMgr.accounts()) {
            if (selected && !selected(account.connectionSettings().emailAddress()))
                continue;
            account.setStatus(Logic::AccountStatus::Pending);
            workList.push_back({account.connectionSettings(), account.newestMail()});
        }
    }
    if (selected && workList.empty())
        return false;
    m_forwarder.checkStarted();
    m_checker.setWorkList(std::move(workList));
    m_checker.start();
    return true;
}

void CheckStarter::stopCheck() {
    m_checker.stop();
}

void CheckStarter::Forwarder::setObserver(CheckObserver* observer) {
    std::lock_guard lock(m_mutex);
    m_observer = observer;
}

template <class Call> void CheckStarter::Forwarder::forward(Call&& call) {
    std::lock_guard lock(m_mutex);
    if (m_observer != nullptr)
        call(*m_observer);
}

void CheckStarter::Forwarder::checkStarted() {
    forward([](CheckObserver& observer) { observer.checkStarted(); });
}

void CheckStarter::Forwarder::accountChecked(const AccountCheckEntry& entry,
                                             const Logic::Account::MailList& newMails) {
    forward([&](CheckObserver& observer) { observer.accountChecked(entry, newMails); });
}

void CheckStarter::Forwarder::accountFailed(const AccountCheckEntry& entry,
                                            const CheckProblem& problem) {
    forward([&](CheckObserver& observer) { observer.accountFailed(entry, problem); });
}

void CheckStarter::Forwarder::accountFinished(const AccountCheckEntry& entry) {
    forward([&](CheckObserver& observer) { observer.accountFinished(entry); });
}

void CheckStarter::Forwarder::accountStarting(const AccountCheckEntry& entry) {
    forward([&](CheckObserver& observer) { observer.accountStarting(entry); });
}

void CheckStarter::Forwarder::checkFinished() {
    forward([](CheckObserver& observer) { observer.checkFinished(); });
}
