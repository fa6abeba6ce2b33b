#include "app/HeadlessCheck.h"

#include "core/LogicCore.h"
#include "foundation/TextConversion.h"
#include "logic/Mail.h"

HeadlessCheck::HeadlessCheck(LogicCore& core) : m_core(core), m_updater(core, this) {}

CheckReport HeadlessCheck::run() {
    CheckStarter& starter = m_core.checkStarter();
    starter.setObserver(&m_updater);
    if (starter.startCheck()) {
        std::unique_lock lock(m_mutex);
        m_finishedSignal.wait(lock, [this] { return m_finished; });
    }
    starter.setObserver(nullptr);
    return report();
}

void HeadlessCheck::accountChecked(const AccountCheckEntry& entry,
                                   const Logic::Account::MailList& newMails) {
    std::lock_guard lock(m_mutex);
    CheckReport::Account& outcome = m_outcomes[entry.connectionSettings.emailAddress()];
    outcome.checked = true;
    for (const auto& mail : newMails)
        outcome.newMessages.push_back(
            {Norq::toNarrow(mail->sender()), Norq::toNarrow(mail->subject()), mail->received()});
}

void HeadlessCheck::accountFailed(const AccountCheckEntry& entry, CheckFailure failure) {
    std::lock_guard lock(m_mutex);
    m_outcomes[entry.connectionSettings.emailAddress()].failure = failure;
}

void HeadlessCheck::checkFinished() {
    std::lock_guard lock(m_mutex);
    m_finished = true;
    m_finishedSignal.notify_all();
}

CheckReport HeadlessCheck::report() {
    CheckReport report;
    Logic::AccountMgr& manager = m_core.accountMgr();
    std::lock_guard accountLock(manager.accountLock());
    std::lock_guard lock(m_mutex);
    for (const Logic::Account& account : manager.accounts()) {
        const std::string& email = account.connectionSettings().emailAddress();
        CheckReport::Account outcome = m_outcomes[email];
        outcome.email = email;
        outcome.unread = account.mails().size();
        report.accounts.push_back(std::move(outcome));
    }
    if (std::string failure = m_core.saveError(); !failure.empty())
        report.saveFailure = std::move(failure);
    return report;
}
