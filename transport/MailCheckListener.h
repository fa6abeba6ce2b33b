#pragma once

#include "logic/Account.h"
#include "transport/CheckProblem.h"

struct AccountCheckEntry;

/// Hears a check's progress; every call arrives on the checker thread.
class MailCheckListener {
public:
    virtual ~MailCheckListener() = default;
    /// The mailbox was read; `newMails` holds its new messages, newest first, maybe none.
    virtual void accountChecked(const AccountCheckEntry& entry,
                                const Logic::Account::MailList& newMails) = 0;
    /// The mailbox could not be read, or not all of its new messages; nothing of it counts.
    virtual void accountFailed(const AccountCheckEntry& entry, const CheckProblem& problem) = 0;
    /// The account's turn is over, whatever the outcome.
    virtual void accountFinished(const AccountCheckEntry& entry) = 0;
    /// The account's turn begins.
    virtual void accountStarting(const AccountCheckEntry& entry) = 0;
    /// Every account has had its turn, or the run was stopped.
    virtual void checkFinished() = 0;
};
