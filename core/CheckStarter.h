#pragma once

#include "core/CheckObserver.h"
#include "transport/Pop3Session.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace Logic {
class AccountMgr;
}

/// Starts checks of the accounts and passes their progress on to one observer. Every account is
/// checked on a thread of its own, so that a slow or silent server holds up no other account's
/// result; an account's check ends within its time limit all the same.
///
/// Checks may overlap. An account that an earlier check is still checking is not checked twice:
/// the later check takes that account's result as its own, and ends when it comes.
///
/// `startCheck` and `stopCheck` are called on one thread and never from an observer's handler;
/// the observer's calls come from the checker threads, one at a time.
class CheckStarter {
public:
    using CheckId = CheckObserver::CheckId;
    /// Which accounts a check takes, by e-mail address.
    using Selection = std::function<bool(const std::string& emailAddress)>;

    explicit CheckStarter(Logic::AccountMgr& accountMgr, const Pop3Limits& limits = {});
    CheckStarter(const CheckStarter&) = delete;
    CheckStarter& operator=(const CheckStarter&) = delete;
    /// Stops the running checks; every network wait watches the stop request.
    ~CheckStarter();

    /// Not owned; nullptr drops the progress calls. Returns only once no call is on its way to
    /// the previous observer, which may then be destroyed. Never call it while holding a lock
    /// that an observer's handler takes (the account lock among them): it waits for a handler
    /// that may be waiting for that lock.
    void setObserver(CheckObserver* observer);

    /// Checks every account, or those `selected` takes, from copies of their settings; those
    /// not being checked already become Pending. The observer hears `checkStarted` before this
    /// returns. Returns the check's id; 0 (and nothing happens) when a selection takes no
    /// account. Without a selection a check always starts, even without accounts.
    CheckId startCheck(const Selection& selected = {});
    /// Asks every running check to stop and returns once they have (their `checkFinished`
    /// included); this takes a moment at most.
    void stopCheck();
    bool isChecking() const;

private:
    class AccountChecker;

    /// Hands a checker's call to the observer of the moment, one call at a time.
    template <class Call> void forward(Call&& call);
    /// The account's checker has ended, after `lastCall` to the observer: the checks that
    /// waited for it alone end too.
    void accountDone(const std::string& emailAddress,
                     const std::function<void(CheckObserver&)>& lastCall = {});

    Logic::AccountMgr& m_accountMgr;
    Pop3Limits m_limits;
    /// Held by `startCheck` and `stopCheck` around the checkers; never by a checker thread.
    std::mutex m_checkersMutex;
    /// One per account checked so far, by address; each remembers what it learnt of its server.
    std::map<std::string, std::unique_ptr<AccountChecker>> m_checkers;

    /// Guards the observer and the bookkeeping below; taken before the account lock.
    /// Recursive: a handler may set another observer.
    mutable std::recursive_mutex m_mutex;
    CheckObserver* m_observer = nullptr;
    /// The accounts whose checkers run.
    std::set<std::string> m_inFlight;
    /// The checks that run, oldest first, with the accounts each still waits for.
    std::vector<std::pair<CheckId, std::set<std::string>>> m_running;
    CheckId m_lastCheck = 0;
};
