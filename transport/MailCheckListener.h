#pragma once

#include "logic/Account.h"

struct AccountCheckEntry;

/// Why an account could not be checked.
enum class CheckFailure {
    Connect, ///< no POP3 connection: name, network, no greeting, or the connection broke
    Tls,     ///< the TLS set-up failed, an untrusted certificate among the causes
    Login,   ///< the server refused the login name or the password
    /// The server's replies could not be used: STAT refused or without a count, TOP refused for
    /// the first or the last message, or a reply cut short by a time limit, the size limit or a
    /// lost connection. Nothing of such a check counts, so the next one walks again.
    Server,
};

/// Hears a check's progress; every call arrives on the checker thread.
class MailCheckListener {
public:
    virtual ~MailCheckListener() = default;
    /// The mailbox was read; `newMails` holds its new messages, newest first, maybe none.
    virtual void accountChecked(const AccountCheckEntry& entry,
                                const Logic::Account::MailList& newMails) = 0;
    /// The mailbox could not be read, or not all of its new messages; nothing of it counts.
    virtual void accountFailed(const AccountCheckEntry& entry, CheckFailure failure) = 0;
    /// The account's turn is over, whatever the outcome.
    virtual void accountFinished(const AccountCheckEntry& entry) = 0;
    /// The account's turn begins.
    virtual void accountStarting(const AccountCheckEntry& entry) = 0;
    /// Every account has had its turn, or the run was stopped.
    virtual void checkFinished() = 0;
};
