#include "cli/HeadlessCheck.h"

#include "core/LogicCore.h"

HeadlessCheck::HeadlessCheck(LogicCore& core) : m_core(core), m_updater(core, this) {}

CheckReport HeadlessCheck::run() {
    CheckStarter& starter = m_core.checkStarter();
    starter.setObserver(&m_updater);
    if (starter.startCheck()) {
        std::unique_lock lock(m_mutex);
        m_finishedSignal.wait(lock, [this] { return m_finished; });
    }
    starter.setObserver(nullptr);
    const std::vector<AccountView> accounts = ModelReader(m_core).accounts();
    const std::string saveError = m_core.saveError();
    std::lock_guard lock(m_mutex);
    return m_outcomes.report(accounts, saveError);
}

void HeadlessCheck::accountChecked(const AccountCheckEntry& entry, const CheckFindings& findings) {
    std::lock_guard lock(m_mutex);
    m_outcomes.accountChecked(entry.connectionSettings.emailAddress(), findings.newMails);
}

void HeadlessCheck::accountFailed(const AccountCheckEntry& entry, const CheckProblem& problem) {
    std::lock_guard lock(m_mutex);
    m_outcomes.accountFailed(entry.connectionSettings.emailAddress(), problem);
}

void HeadlessCheck::checkFinished(CheckId) {
    std::lock_guard lock(m_mutex);
    m_finished = true;
    m_finishedSignal.notify_all();
}
