#include "core/CheckStarter.h"

#include "logic/AccountMgr.h"
#include "transport/MailChecker.h"

/// One account's checker thread, telling the starter what it hears.
class CheckStarter::AccountChecker : public MailCheckListener {
public:
    AccountChecker(CheckStarter& starter, std::string emailAddress, const Pop3Limits& limits)
        : m_starter(starter), m_emailAddress(std::move(emailAddress)), m_checker(*this, limits) {}

    /// Checks the account on the thread; the last check has reported its end.
    void check(AccountCheckEntry entry) {
        // Its thread may still be on the way out, past its last call to the starter.
        m_checker.stop();
        m_done = false;
        m_checker.setWorkList({std::move(entry)});
        m_checker.start();
    }
    void stop() { m_checker.stop(); }

    void accountStarting(const AccountCheckEntry& entry) override {
        m_starter.forward([&](CheckObserver& observer) { observer.accountStarting(entry); });
    }
    void accountChecked(const AccountCheckEntry& entry, const CheckFindings& findings) override {
        m_starter.forward(
            [&](CheckObserver& observer) { observer.accountChecked(entry, findings); });
    }
    void accountFailed(const AccountCheckEntry& entry, const CheckProblem& problem) override {
        m_starter.forward([&](CheckObserver& observer) { observer.accountFailed(entry, problem); });
    }
    void accountFinished(const AccountCheckEntry& entry) override {
        // Its end and the account's being free again are one step: a check started right
        // after it checks the account afresh.
        m_starter.accountDone(m_emailAddress,
                              [&](CheckObserver& observer) { observer.accountFinished(entry); });
        m_done = true;
    }
    void checkFinished() override {
        // Stopped before the account's turn began.
        if (!m_done)
            m_starter.accountDone(m_emailAddress);
    }

private:
    CheckStarter& m_starter;
    std::string m_emailAddress;
    /// The account's end was told; only the checker thread touches it while it runs.
    bool m_done = false;
    MailChecker m_checker; // last: its thread stops before the rest goes
};

CheckStarter::CheckStarter(Logic::AccountMgr& accountMgr, const Pop3Limits& limits)
    : m_accountMgr(accountMgr), m_limits(limits) {}

CheckStarter::~CheckStarter() {
    stopCheck();
}

void CheckStarter::setObserver(CheckObserver* observer) {
    std::lock_guard lock(m_mutex);
    m_observer = observer;
}

CheckStarter::CheckId CheckStarter::startCheck(const Selection& selected) {
    std::lock_guard checkers(m_checkersMutex);
    std::lock_guard lock(m_mutex);
    std::set<std::string> takes;
    std::vector<std::pair<AccountChecker*, AccountCheckEntry>> starts;
    {
        std::lock_guard accounts(m_accountMgr.accountLock());
        for (Logic::Account& account : m_accountMgr.accounts()) {
            const std::string& address = account.connectionSettings().emailAddress();
            if (selected && !selected(address))
                continue;
            takes.insert(address);
            if (m_inFlight.contains(address))
                continue;
            account.setStatus(Logic::AccountStatus::Pending);
            std::unique_ptr<AccountChecker>& checker = m_checkers[address];
            if (!checker)
                checker = std::make_unique<AccountChecker>(*this, address, m_limits);
            starts.emplace_back(
                checker.get(), AccountCheckEntry{account.connectionSettings(), account.newestMail(),
                                                 account.seenMessages(), account.imapMark()});
        }
        // The checkers of accounts that are gone; their threads have ended.
        std::erase_if(m_checkers, [&](const auto& held) {
            return !m_inFlight.contains(held.first) &&
                   m_accountMgr.findByEmail(held.first) == nullptr;
        });
    }
    if (selected && takes.empty())
        return 0;
    const CheckId check = ++m_lastCheck;
    for (const auto& start : starts)
        m_inFlight.insert(start.second.connectionSettings.emailAddress());
    if (m_observer)
        m_observer->checkStarted(check);
    if (takes.empty()) {
        if (m_observer)
            m_observer->checkFinished(check);
        return check;
    }
    m_running.emplace_back(check, std::move(takes));
    // Their first calls wait for the lock until the check has been announced.
    for (auto& [checker, entry] : starts)
        checker->check(std::move(entry));
    return check;
}

void CheckStarter::stopCheck() {
    std::lock_guard checkers(m_checkersMutex);
    for (const auto& held : m_checkers)
        held.second->stop();
}

bool CheckStarter::isChecking() const {
    std::lock_guard lock(m_mutex);
    return !m_inFlight.empty();
}

template <class Call> void CheckStarter::forward(Call&& call) {
    std::lock_guard lock(m_mutex);
    if (m_observer != nullptr)
        call(*m_observer);
}

void CheckStarter::accountDone(const std::string& emailAddress,
                               const std::function<void(CheckObserver&)>& lastCall) {
    std::lock_guard lock(m_mutex);
    if (lastCall && m_observer)
        lastCall(*m_observer);
    m_inFlight.erase(emailAddress);
    std::vector<CheckId> ended;
    for (auto& [check, waitsFor] : m_running) {
        waitsFor.erase(emailAddress);
        if (waitsFor.empty())
            ended.push_back(check);
    }
    std::erase_if(m_running, [](const auto& running) { return running.second.empty(); });
    for (const CheckId check : ended) {
        if (m_observer)
            m_observer->checkFinished(check);
    }
}
