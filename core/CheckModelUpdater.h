#pragma once

#include "core/CheckObserver.h"

class LogicCore;

/// What every check does to the model, whoever watches it (the main window, the headless
/// check): account statuses follow the run, new messages are merged into their accounts, and
/// everything is saved at the end. Each call then goes on to the next observer, after the
/// account lock has been let go, so that observer may wait for another thread safely.
class CheckModelUpdater : public CheckObserver {
public:
    /// Who writes what a check changed.
    enum class Saving {
        AtCheckEnd, ///< this updater, when each check ends
        /// The next observer, when it has done its part (the window flags the messages its
        /// pop-ups show): one save per check.
        ByTheNext,
    };

    explicit CheckModelUpdater(LogicCore& core, CheckObserver* next = nullptr,
                               Saving saving = Saving::AtCheckEnd);

    void checkStarted(CheckId check) override;
    void accountStarting(const AccountCheckEntry& entry) override;
    /// Merges the new messages and keeps the seen ids.
    void accountChecked(const AccountCheckEntry& entry, const CheckFindings& findings) override;
    /// The account shows Failed, with the reason, until its next turn; a check that works
    /// clears the reason.
    void accountFailed(const AccountCheckEntry& entry, const CheckProblem& problem) override;
    void accountFinished(const AccountCheckEntry& entry) override;
    void checkFinished(CheckId check) override;

private:
    /// Runs `change` on the entry's account under the account lock; an account removed while
    /// the check ran is not found and nothing happens.
    template <class Change> void updateAccount(const AccountCheckEntry& entry, Change&& change);

    LogicCore& m_core;
    CheckObserver* m_next;
    Saving m_saving;
};
