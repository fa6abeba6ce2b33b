#pragma once

#include "foundation/Thread.h"
#include "transport/AccountCheckEntry.h"
#include "transport/MailCheckListener.h"
#include "transport/Pop3Session.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

/// Checks a work list of accounts on its own thread, one account after another. For a POP3
/// account it logs in, reads the message count and walks the mailbox from its newest end
/// (MailboxWalk); for an IMAP account it looks at the INBOX's unseen messages (ImapCheck). A
/// mailbox with nothing new costs two TOP commands: the first and the last message, which also
/// tell whether the server lists the newest message last or first.
///
/// An account's check ends within the check's time limit, and fetches no more than its byte
/// limit. A walk that one of them ends half way hands on what it found when the server gives
/// unique ids, which tell next time which messages were reported; it is then also reported failed,
/// with the reason. Without ids nothing of it is handed on, since the newest messages found
/// would become the newest known and the older new ones behind them would never be fetched.
///
/// A server whose pipelined commands stall is checked again at once without pipelining, and
/// from then on (until the program ends) that server is sent one command at a time.
class MailChecker : public Norq::Thread {
public:
    /// More messages than this from one account in one check are not looked at: a hostile
    /// server could otherwise answer TOP with new messages until memory runs out. The walk
    /// keeps the newest ones.
    static constexpr std::size_t kDefaultMaxNewMails = 10000;

    explicit MailChecker(MailCheckListener& listener, const Pop3Limits& limits = {},
                         std::size_t maxNewMails = kDefaultMaxNewMails);
    ~MailChecker() override;

    /// Replaces the work list; called while the checker is idle.
    void setWorkList(std::vector<AccountCheckEntry> workList);

protected:
    void run() override;

private:
    /// How one try at an account ended.
    struct Outcome {
        std::optional<CheckProblem> problem;
        CheckFindings findings;
        bool stopped = false;
    };

    void checkAccount(const AccountCheckEntry& entry);
    Outcome checkImapAccount(const AccountCheckEntry& entry) const;
    Outcome attempt(Pop3Session& session, const AccountCheckEntry& entry) const;
    /// Why a walk was cut short, and what became of what it found.
    std::string cutReason(const Pop3Session& session, bool kept) const;

    MailCheckListener& m_listener;
    Pop3Limits m_limits;
    std::size_t m_maxNewMails;
    std::vector<AccountCheckEntry> m_workList;
    /// The servers ("name:port") that lost pipelined commands; only the checker thread uses it.
    std::set<std::string> m_oneCommandAtATime;
};
