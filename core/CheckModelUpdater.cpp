#include "core/CheckModelUpdater.h"

#include "core/LogicCore.h"

CheckModelUpdater::CheckModelUpdater(LogicCore& core, CheckObserver* next, Saving saving)
    : m_core(core), m_next(next), m_saving(saving) {}

template <class Change>
void CheckModelUpdater::updateAccount(const AccountCheckEntry& entry, Change&& change) {
    Logic::AccountMgr& manager = m_core.accountMgr();
    std::lock_guard lock(manager.accountLock());
    if (Logic::Account* account = manager.findByEmail(entry.connectionSettings.emailAddress()))
        change(*account);
}

void CheckModelUpdater::checkStarted(CheckId check) {
    // The accounts of the check were made Pending as it was started.
    if (m_next)
        m_next->checkStarted(check);
}

void CheckModelUpdater::accountStarting(const AccountCheckEntry& entry) {
    updateAccount(entry, [](Logic::Account& account) {
        account.setStatus(Logic::AccountStatus::Processing);
    });
    if (m_next)
        m_next->accountStarting(entry);
}

void CheckModelUpdater::accountChecked(const AccountCheckEntry& entry,
                                       const CheckFindings& findings) {
    // After a change of UIDVALIDITY an IMAP check finds messages already listed: only those
    // really new are told on.
    CheckFindings told = findings;
    updateAccount(entry, [&](Logic::Account& account) {
        if (findings.imap) {
            // Whatever the check finds changes the mark or the list: saved either way.
            told.newMails = account.takeImapCheck(findings.imap->mark, findings.imap->unseen,
                                                  findings.newMails);
            account.mergeNewMails(told.newMails);
            m_core.markChanged();
        } else {
            account.mergeNewMails(findings.newMails, findings.cut ? Logic::Account::Mark::Keep
                                                                  : Logic::Account::Mark::Advance);
        }
        // Settings changed while the check ran: its ids are another mailbox's.
        if (findings.seen.mailbox() == account.connectionSettings().mailboxKey() &&
            findings.seen != account.heldSeenMessages()) {
            account.setSeenMessages(findings.seen);
            m_core.markChanged();
        }
        // The state file keeps why an account fails until a check works again.
        if (!findings.newMails.empty() || (!findings.cut && !account.failureReason().empty()))
            m_core.markChanged();
        if (!findings.cut)
            account.checkSucceeded();
    });
    if (m_next)
        m_next->accountChecked(entry, told);
}

void CheckModelUpdater::accountFailed(const AccountCheckEntry& entry, const CheckProblem& problem) {
    // A refused log-in at a known provider: what the provider wants is part of the reason.
    CheckProblem told = problem;
    if (problem.kind == CheckFailure::Login) {
        const std::string advice =
            m_core.serverPresets().refusalAdvice(entry.connectionSettings.serverName());
        if (!advice.empty())
            told.reason += " " + advice;
    }
    updateAccount(entry, [&](Logic::Account& account) {
        account.setStatus(Logic::AccountStatus::Failed);
        if (account.failureReason() != told.reason)
            m_core.markChanged();
        account.checkFailed(told.reason);
    });
    if (m_next)
        m_next->accountFailed(entry, told);
}

void CheckModelUpdater::accountFinished(const AccountCheckEntry& entry) {
    updateAccount(entry, [](Logic::Account& account) {
        if (account.status() != Logic::AccountStatus::Failed)
            account.setStatus(Logic::AccountStatus::Idle);
    });
    if (m_next)
        m_next->accountFinished(entry);
}

void CheckModelUpdater::checkFinished(CheckId check) {
    if (m_saving == Saving::AtCheckEnd)
        m_core.saveIfChanged();
    if (m_next)
        m_next->checkFinished(check);
}
