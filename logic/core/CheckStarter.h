#pragma once

#include "logic/core/CheckObserver.h"
#include "transport/MailChecker.h"

#include <atomic>

namespace Logic {
class AccountMgr;
}

/// Starts checks of every account on the background checker, one run at a time, and passes the
/// run's progress on to one observer.
class CheckStarter {
public:
    explicit CheckStarter(Logic::AccountMgr& accountMgr, const Pop3Limits& limits = {});
    CheckStarter(const CheckStarter&) = delete;
    CheckStarter& operator=(const CheckStarter&) = delete;
    /// Stops a running check without waiting for its account to finish.
    virtual ~CheckStarter();

    /// Not owned; nullptr drops the progress calls.
    virtual void setObserver(CheckObserver* observer);

    /// Checks every account, in list order, from copies of their settings. Does nothing and
    /// returns false while a check is running: a check is neither restarted nor queued.
    bool startCheck();
    bool isChecking() const { return m_checker.isRunning(); }

private:
    class Forwarder : public MailCheckListener {
    public:
        explicit Forwarder(const std::atomic<CheckObserver*>& observer) : m_observer(observer) {}
        void accountChecked(const AccountCheckEntry& entry,
                            const Logic::Account::MailList& newMails) override;
        void accountFailed(const AccountCheckEntry& entry, CheckFailure failure) override;
        void accountFinished(const AccountCheckEntry& entry) override;
        void accountStarting(const AccountCheckEntry& entry) override;
        void checkFinished() override;

    private:
        const std::atomic<CheckObserver*>& m_observer;
    };

    std::atomic<CheckObserver*> m_observer{nullptr};
    Forwarder m_forwarder{m_observer};
    Logic::AccountMgr& m_accountMgr;
    MailChecker m_checker;
};
