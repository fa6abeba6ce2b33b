#pragma once

#include "foundation/SaveLoadFwd.h"
#include "headers/MailDate.h"
#include "logic/AccountPreferences.h"
#include "logic/ConnectionSettings.h"
#include "logic/ImapMark.h"
#include "logic/SeenMessages.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace Logic {

class Mail;

/// Where an account stands in the current check; never stored.
enum class AccountStatus : std::int32_t {
    Idle = 0,
    Failed = 1,
    Pending = 2,
    Processing = 3,
};

/// One watched mailbox (POP3, or an IMAP INBOX): how to reach it, what "read mail" does, and its
/// unread messages, newest first. It has no lock of its own: every access holds the account
/// manager's lock.
class Account {
public:
    using MailList = std::vector<std::shared_ptr<Mail>>;

    /// A new account that was set up at `createdAt`: its first check reports the messages
    /// received during the 48 hours before that moment.
    explicit Account(std::time_t createdAt = std::time(nullptr));
    /// Reads a "Logic::Account" record with its mails; the account starts Idle.
    explicit Account(Norq::SaveLoad::Reader& reader);
    ~Account();

    Account(const Account&) = delete;
    Account& operator=(const Account&) = delete;

    void save(Norq::SaveLoad::Writer& writer) const;

    const ConnectionSettings& connectionSettings() const { return m_connectionSettings; }
    void setConnectionSettings(const ConnectionSettings& settings) {
        m_connectionSettings = settings;
    }
    const AccountPreferences& preferences() const { return m_preferences; }
    void setPreferences(const AccountPreferences& preferences) { m_preferences = preferences; }
    AccountStatus status() const { return m_status; }
    void setStatus(AccountStatus status) { m_status = status; }

    /// A check failed: `reason` says why, for the user. Counts the failures in a row.
    void checkFailed(std::string reason);
    /// A check worked: the account fails no more.
    void checkSucceeded();
    /// Why the last check failed; empty unless the account is failing.
    const std::string& failureReason() const { return m_failureReason; }
    /// Why the last check of an earlier run failed, as the state file kept it; the failures in
    /// a row start again from 0.
    void setEarlierFailure(std::string reason) { m_failureReason = std::move(reason); }
    /// Checks that failed since the last one that worked; 0 while the account works.
    int failuresInARow() const { return m_failuresInARow; }

    /// The newest message this account has ever reported: a message is new only when it is
    /// strictly later. Marking messages read never moves it back.
    const MailDate& newestMail() const { return m_newestMail; }
    const MailList& mails() const { return m_mails; }

    /// What moving the mark does when new messages are taken.
    enum class Mark {
        Advance, ///< to the newest message held
        /// Stays: the check that found them was cut short, and the messages behind them
        /// are still to be walked down to the old mark.
        Keep,
    };
    /// Takes the messages of one check and keeps the whole list newest first.
    void mergeNewMails(const MailList& newMails, Mark mark = Mark::Advance);
    /// The ids of the messages this account's checks have seen, for the mailbox its settings
    /// reach now; none when they were read from another mailbox. Kept in a state file of its
    /// own, never in the account's record.
    SeenMessages seenMessages() const;
    void setSeenMessages(SeenMessages seen) { m_seen = std::move(seen); }
    const ImapMark& imapMark() const { return m_imapMark; }
    void setImapMark(const ImapMark& mark) { m_imapMark = mark; }
    /// The ids as held, whichever mailbox they came from.
    const SeenMessages& heldSeenMessages() const { return m_seen; }

    /// Takes an IMAP check's result: `found` are the unseen messages the check fetched, `unseen`
    /// every UID still unseen in the INBOX (ascending). A message held that is no longer unseen
    /// (read elsewhere, or expunged) leaves; after a change of UIDVALIDITY the messages held take
    /// their new UIDs from the ones found with the same Message-ID and arrival time, which are
    /// not new again. Returns the messages that are new, for mergeNewMails; the mark moves on.
    MailList takeImapCheck(const ImapMark& mark, const std::vector<std::uint32_t>& unseen,
                           const MailList& found);
    /// Removes this very record (not one with equal contents); false when it is not held here.
    bool removeMail(const Mail& mail);
    /// Marks every message read.
    void clearMails();

    /// The mark of an account set up at `createdAt`, in the same local-time seconds as the dates
    /// read from headers, so that both sides of the comparison carry the same zone shift.
    static MailDate newAccountMark(std::time_t createdAt);

private:
    ConnectionSettings m_connectionSettings;
    AccountPreferences m_preferences;
    AccountStatus m_status = AccountStatus::Idle;
    // Like the status, never stored: a restarted program tries every account afresh.
    std::string m_failureReason;
    int m_failuresInARow = 0;
    MailDate m_newestMail;
    MailList m_mails;
    SeenMessages m_seen;
    ImapMark m_imapMark;
};

} // namespace Logic
