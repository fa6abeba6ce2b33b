#include "logic/core/CheckStarter.h"

#include "logic/AccountMgr.h"

CheckStarter::CheckStarter(Logic::AccountMgr& accountMgr, const Pop3Limits& limits)
    : m_accountMgr(accountMgr), m_checker(m_forwarder, limits) {}

CheckStarter::~CheckStarter() {
    m_checker.stop();
}

void CheckStarter::setObserver(CheckObserver* observer) {
    m_observer = observer;
}

bool CheckStarter::startCheck() {
    if (m_checker.isRunning())
        return false;
    std::vector<AccountCheckEntry> workList;
    {
        std::lock_guard lock(m_accountMgr.accountLock());
        for (const Logic::Account& account : m_accountMgr.accounts())
            workList.push_back({account.connectionSettings(), account.newestMail()});
    }
    if (CheckObserver* observer = m_observer)
        observer->checkStarted();
    m_checker.setWorkList(std::move(workList));
    m_checker.start();
    return true;
}

void CheckStarter::Forwarder::accountChecked(const AccountCheckEntry& entry,
                                             const Logic::Account::MailList& newMails) {
    if (CheckObserver* observer = m_observer)
        observer->accountChecked(entry, newMails);
}

void CheckStarter::Forwarder::accountFailed(const AccountCheckEntry& entry, CheckFailure failure) {
    if (CheckObserver* observer = m_observer)
        observer->accountFailed(entry, failure);
}

void CheckStarter::Forwarder::accountFinished(const AccountCheckEntry& entry) {
    if (CheckObserver* observer = m_observer)
        observer->accountFinished(entry);
}

void CheckStarter::Forwarder::accountStarting(const AccountCheckEntry& entry) {
    if (CheckObserver* observer = m_observer)
        observer->accountStarting(entry);
}

void CheckStarter::Forwarder::checkFinished() {
    if (CheckObserver* observer = m_observer)
        observer->checkFinished();
}
