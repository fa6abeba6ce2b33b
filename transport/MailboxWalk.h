#pragma once

#include "logic/Account.h"
#include "transport/AccountCheckEntry.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class Pop3Session;

/// One walk over a mailbox from its newest end, on a session that is logged in: the headers of
/// the first and the last message tell which end is the newest, then headers are fetched from
/// there (TOP n 0) until the walk meets a message it has seen.
///
/// When the server gives unique ids (UIDL) and an earlier walk went through to its end, every
/// message is asked for its id with its header: a message whose id is not among the seen ones
/// is new whatever its date says, an undated one too, and the walk ends at the first seen one.
/// A new message dated more than a day before the newest one known ends the walk all the same:
/// the ids kept no longer reach back that far (the newest messages were deleted), and walking on
/// would report old mail as new.
///
/// Otherwise (no ids, or none seen yet) the walk goes by date: it ends at the first message
/// not newer than the newest one known. A message whose date cannot be read is stepped over
/// then: it cannot be told new from old, and ending the walk there would lose every new message
/// behind it. The sender's own Date line is never used: one message dated years ahead would
/// become the newest known and hide all mail after it. A message that a walk cut short has
/// reported is not reported again either way.
///
/// A message whose TOP the server refuses is stepped over. When the server pipelines, the two
/// messages below the last go out with the two ends, then the commands in batches that grow
/// from 8 to 32 messages, so a few new messages cost few round trips; replies fetched past the
/// end of the walk are dropped. The result is the same either way.
class MailboxWalk {
public:
    enum class End {
        Complete, ///< every new message was found, up to the limit
        /// The check's time or byte limit ended the walk: the new messages found so far are
        /// good, those behind them wait for the next walk.
        Cut,
        Failed,  ///< the server's replies could not be used; nothing found counts
        Stopped, ///< a stop was requested
    };

    /// The walk looks at `maxWalked` messages at most, the one at the newest end included: a
    /// hostile server could otherwise answer TOP with new or undated messages without end.
    /// It fetches `maxBytes` at most (counted over the whole session).
    MailboxWalk(Pop3Session& session, const AccountCheckEntry& entry, std::size_t maxWalked,
                std::size_t maxBytes);

    /// Walks a mailbox of `count` messages.
    End run(int count);
    /// The new messages found, newest first; only meaningful after a Complete or Cut walk.
    const Logic::Account::MailList& newMails() const { return m_newMails; }
    /// The seen ids of the entry with what this walk saw: everything it walked when it was
    /// complete, its new messages when it was cut. Unchanged when the server gives no ids.
    Logic::SeenMessages seenMessages(End end) const;

private:
    struct Message {
        std::shared_ptr<Logic::Mail> mail;
        std::string id; ///< empty when the server gave none
    };

    /// Asks for the headers (and ids) of up to `batch` messages from index `from` on, `step`
    /// apart, within the mailbox and the limit; returns how many.
    int askBatch(int from, int step, int batch);
    void ask(int number);
    /// The next message asked for; no mail when its TOP failed.
    Message fetch();
    /// Counts the message as looked at and keeps it if it is new; false when it ends the walk.
    bool take(const Message& message);
    bool isNew(const Message& message, bool& endsWalk) const;
    End failed() const;
    /// The end of a walk whose session failed on the way: a time limit cuts it.
    End brokenOff() const;

    Pop3Session& m_session;
    const AccountCheckEntry& m_entry;
    std::size_t m_maxWalked;
    std::size_t m_maxBytes;
    bool m_withIds = false;
    bool m_byIds = false;
    std::size_t m_walked = 0;
    int m_count = 0;
    Logic::Account::MailList m_newMails;
    std::vector<std::string> m_walkedIds;
    std::vector<std::string> m_newIds;
};
