#pragma once

#include "transport/AccountCheckEntry.h"
#include "transport/MailCheckListener.h"

/// Hears checks: when each begins and ends, and what happens to each account on the way. Checks
/// may overlap, and an account's events belong to every check that takes it at the time. The
/// account events arrive on the account's checker thread, `checkStarted` on the thread that
/// asked for the check, `checkFinished` on the thread of the account that finished last.
class CheckObserver {
public:
    /// Tells the checks apart; the first is 1.
    using CheckId = unsigned;

    virtual ~CheckObserver() = default;
    /// The check's accounts are Pending (or still being checked) and their checkers started.
    virtual void checkStarted(CheckId check) = 0;
    virtual void accountStarting(const AccountCheckEntry& entry) = 0;
    /// See MailCheckListener.
    virtual void accountChecked(const AccountCheckEntry& entry, const CheckFindings& findings) = 0;
    virtual void accountFailed(const AccountCheckEntry& entry, const CheckProblem& problem) = 0;
    virtual void accountFinished(const AccountCheckEntry& entry) = 0;
    /// Every account of the check has had its turn, or was stopped.
    virtual void checkFinished(CheckId check) = 0;
};
