#pragma once

#include "logic/Account.h"
#include "transport/AccountCheckEntry.h"

#include <cstddef>
#include <memory>

class Pop3Session;

/// One walk over a mailbox from its newest end, on a session that is logged in: the headers of
/// the first and the last message tell which end is the newest, then headers are fetched from
/// there (TOP n 0) until a message is not newer than the newest one known.
///
/// A message whose arrival date cannot be read, or whose TOP the server refuses, is stepped over:
/// it cannot be told new from old, and ending the walk there would lose every new message
/// behind it. The sender's own Date line is never used instead: one message dated years ahead
/// would become the newest known and hide all mail after it.
///
/// When the server pipelines, the two messages below the last go out with the two ends, then
/// TOP commands in batches that grow from 8 to 32, so a few new messages cost few round trips;
/// the headers fetched past the end of the walk are dropped. The result is the same either way.
class MailboxWalk {
public:
    enum class End {
        Complete, ///< every new message was found, up to the limit
        Failed,   ///< the server's replies could not be used; nothing found counts
        Stopped,  ///< a stop was requested
    };

    /// The walk looks at `maxWalked` messages at most, the one at the newest end included: a
    /// hostile server could otherwise answer TOP with new or undated messages without end.
    MailboxWalk(Pop3Session& session, const AccountCheckEntry& entry, std::size_t maxWalked);

    /// Walks a mailbox of `count` messages.
    End run(int count);
    /// The new messages found, newest first; only meaningful after a Complete walk.
    const Logic::Account::MailList& newMails() const { return m_newMails; }

private:
    /// Asks for the headers of up to `batch` messages from index `from` on, `step` apart,
    /// within the mailbox and the limit; returns how many.
    int askBatch(int from, int step, int batch);
    std::shared_ptr<Logic::Mail> fetch();
    /// Counts the message as looked at and keeps it if it is new; false when it ends the walk.
    bool take(const std::shared_ptr<Logic::Mail>& mail);
    End failed() const;

    Pop3Session& m_session;
    const AccountCheckEntry& m_entry;
    std::size_t m_maxWalked;
    std::size_t m_walked = 0;
    int m_count = 0;
    Logic::Account::MailList m_newMails;
};
