#pragma once

#include "headers/MailDate.h"
#include "transport/CheckProblem.h"

#include <optional>
#include <string>
#include <vector>

/// What one check found, account by account, and how `velomar --check-once` prints it.
struct CheckReport {
    struct Message {
        std::string from;    ///< UTF-8
        std::string subject; ///< UTF-8
        MailDate date;
    };

    struct Account {
        std::string email;
        bool checked = false;
        /// Why the account was not checked; empty when it was, or when the run ended first.
        std::optional<CheckFailure> failure;
        /// The failure as a sentence for the user; empty without a failure.
        std::string reason;
        std::vector<Message> newMessages;
        std::size_t unread = 0;
    };

    std::vector<Account> accounts;
    /// Why what the check found could not be saved; empty when it was.
    std::optional<std::string> saveFailure;

    std::size_t totalNew() const;
    std::size_t totalUnread() const;
    /// 0 when every account was checked, 3 when any was not, 1 when the data file could not be
    /// saved: the next check would report the same messages again.
    int exitCode() const;

    /// One line per account followed by a line per new message (sender and subject), a total,
    /// and a last line when it could not be saved.
    std::string plainText() const;
    /// {"unread": N, "new": K, "saved": B, "accounts": [...]}, dates in ISO 8601 as the header
    /// wrote them; "saved" is false when what the check found could not be kept.
    std::string json() const;
};

/// The date as its header wrote it, "2009-12-07T10:15:30+03:00"; nothing for a message
/// without a dated Received line or with a date out of range.
std::optional<std::string> isoDate(const MailDate& date);
