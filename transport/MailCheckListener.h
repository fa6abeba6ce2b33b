#pragma once

#include "logic/Account.h"
#include "logic/ImapMark.h"
#include "logic/SeenMessages.h"
#include "transport/CheckProblem.h"

#include <cstdint>
#include <optional>
#include <vector>

struct AccountCheckEntry;

/// What a check found in one mailbox.
struct CheckFindings {
    /// The new messages, newest first; maybe none.
    Logic::Account::MailList newMails;
    /// The ids of the messages the account's checks have seen, this one's included.
    Logic::SeenMessages seen;
    /// The check's time or byte limit ended it half way: the new messages found are good, those
    /// behind them are left to the next check, and the newest message known stays as it was.
    bool cut = false;
    /// What an IMAP check found besides: where the account's checks stand now, and the UIDs
    /// still unseen in its INBOX, ascending (the messages read elsewhere or expunged are not
    /// among them). Nothing for a POP3 check.
    struct Imap {
        Logic::ImapMark mark;
        std::vector<std::uint32_t> unseen;
    };
    std::optional<Imap> imap;
};

/// Hears a check's progress; every call arrives on the checker thread.
class MailCheckListener {
public:
    virtual ~MailCheckListener() = default;
    /// The mailbox was read, all of it or (when `findings.cut`) part of it; a check cut short
    /// is then reported failed as well, with the reason.
    virtual void accountChecked(const AccountCheckEntry& entry, const CheckFindings& findings) = 0;
    /// The mailbox could not be read, or not all of its new messages.
    virtual void accountFailed(const AccountCheckEntry& entry, const CheckProblem& problem) = 0;
    /// The account's turn is over, whatever the outcome.
    virtual void accountFinished(const AccountCheckEntry& entry) = 0;
    /// The account's turn begins.
    virtual void accountStarting(const AccountCheckEntry& entry) = 0;
    /// Every account has had its turn, or the run was stopped.
    virtual void checkFinished() = 0;
};
