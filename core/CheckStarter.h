#pragma once

#include "core/CheckObserver.h"
#include "transport/MailChecker.h"

#include <functional>
#include <mutex>
#include <string>

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

    /// Not owned; nullptr drops the progress calls. Returns only once no call is on its way to
    /// the previous observer, which may then be destroyed. Never call it while holding a lock
    /// that an observer's handler takes (the account lock among them): it waits for a handler
    /// that may be waiting for that lock.
    virtual void setObserver(CheckObserver* observer);

    /// Which accounts a check takes, by e-mail address.
    using Selection = std::function<bool(const std::string& emailAddress)>;

    /// Checks every account, or those `selected` takes, in list order, from copies of their
    /// settings; they become Pending. Does nothing and returns false while a check is running
    /// (a check is neither restarted nor queued) or when no account is selected.
    bool startCheck(const Selection& selected = {});
    /// Asks a running check to stop and returns once it has (its `checkFinished` included);
    /// every network wait watches the stop request, so this takes a moment at most.
    void stopCheck();
    bool isChecking() const { return m_checker.isRunning(); }

private:
    /// Hands each checker call to the observer of the moment, under the lock `setObserver`
    /// waits for.
    class Forwarder : public MailCheckListener {
    public:
        void setObserver(CheckObserver* observer);
        void checkStarted();
        void accountChecked(const AccountCheckEntry& entry,
                            const Logic::Account::MailList& newMails) override;
        void accountFailed(const AccountCheckEntry& entry, const CheckProblem& problem) override;
        void accountFinished(const AccountCheckEntry& entry) override;
        void accountStarting(const AccountCheckEntry& entry) override;
        void checkFinished() override;

    private:
        template <class Call> void forward(Call&& call);

        // Recursive: a handler may itself change the observer or stop the check.
        std::recursive_mutex m_mutex;
        CheckObserver* m_observer = nullptr;
    };

    Forwarder m_forwarder;
    Logic::AccountMgr& m_accountMgr;
    MailChecker m_checker;
};
