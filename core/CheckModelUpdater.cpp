#include "core/CheckModelUpdater.h"

#include "core/LogicCore.h"

CheckModelUpdater::CheckModelUpdater(LogicCore& core, CheckObserver* next)
    : m_core(core), m_next(next) {}

template <class Change>
void CheckModelUpdater::updateAccount(const AccountCheckEntry& entry, Change&& change) {
    Logic::AccountMgr& manager = m_core.accountMgr();
    std::lock_guard lock(manager.accountLock());
    if (Logic::Account* account = manager.findByEmail(entry.connectionSettings.emailAddress()))
        change(*account);
}

void CheckModelUpdater::checkStarted() {
    // The accounts of the work list were made Pending as it was built.
    if (m_next)
        m_next->checkStarted();
}

void CheckModelUpdater::accountStarting(const AccountCheckEntry& entry) {
    updateAccount(entry, [](Logic::Account& account) {
        account.setStatus(Logic::AccountStatus::Processing);
    });
    if (m_next)
        m_next->accountStarting(entry);
}

void CheckModelUpdater::accountChecked(const AccountCheckEntry& entry,
                                       const Logic::Account::MailList& newMails) {
    updateAccount(entry, [&](Logic::Account& account) {
        account.mergeNewMails(newMails);
        account.checkSucceeded();
    });
    if (m_next)
        m_next->accountChecked(entry, newMails);
}

void CheckModelUpdater::accountFailed(const AccountCheckEntry& entry, const CheckProblem& problem) {
    updateAccount(entry, [&](Logic::Account& account) {
        account.setStatus(Logic::AccountStatus::Failed);
        account.checkFailed(problem.reason);
    });
    if (m_next)
        m_next->accountFailed(entry, problem);
}

void CheckModelUpdater::accountFinished(const AccountCheckEntry& entry) {
    updateAccount(entry, [](Logic::Account& account) {
        if (account.status() != Logic::AccountStatus::Failed)
            account.setStatus(Logic::AccountStatus::Idle);
    });
    if (m_next)
        m_next->accountFinished(entry);
}

void CheckModelUpdater::checkFinished() {
    m_core.saveAll();
    if (m_next)
        m_next->checkFinished();
}
