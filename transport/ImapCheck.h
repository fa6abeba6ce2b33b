#pragma once

#include "transport/AccountCheckEntry.h"
#include "transport/MailCheckListener.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class ImapSession;
struct ImapMailboxState;
struct ImapMessage;

/// One look into an IMAP account's INBOX on a session that has examined it and searched it for
/// the unseen messages (openImapMailbox: nothing is ever marked read): the headers of the unseen
/// messages the account's checks have not looked at yet (their UIDs from the mark on), newest
/// first, then LOGOUT. After a
/// change of UIDVALIDITY every unseen message is read again; the account tells those it lists
/// already by their Message-ID and arrival time. The arrival time is the message's INTERNALDATE, as
/// a POP3 message's is its first Received line.
class ImapCheck {
public:
    /// Looks at `maxNewMails` unseen messages at most, the newest: a hostile server could
    /// otherwise list unseen messages without end.
    ImapCheck(ImapSession& session, const AccountCheckEntry& entry, std::size_t maxNewMails);

    /// Looks into the INBOX that EXAMINE described with `state`, whose unseen messages have
    /// the UIDs `unseen`, and ends the session. False when the session failed on the way; its
    /// failure says why.
    bool run(const ImapMailboxState& state, std::vector<std::uint32_t> unseen);
    /// The new messages with the mark and the unseen UIDs; only meaningful after `run` worked.
    const CheckFindings& findings() const { return m_findings; }

    /// The UIDs to fetch: the unseen ones from `mark` on (all of them after a change of
    /// UIDVALIDITY), the newest `maxNewMails` at most, in ascending order.
    static std::vector<std::uint32_t> toFetch(const std::vector<std::uint32_t>& unseen,
                                              const Logic::ImapMark& mark,
                                              std::uint32_t uidValidity, std::size_t maxNewMails);
    /// The message as the model keeps it: its header block behind a Received line that carries
    /// its arrival time.
    static std::shared_ptr<Logic::Mail> mailOf(const std::string& accountEmail,
                                               const ImapMessage& message);

private:
    ImapSession& m_session;
    const AccountCheckEntry& m_entry;
    std::size_t m_maxNewMails;
    CheckFindings m_findings;
};
