#pragma once

#include "foundation/Thread.h"
#include "transport/AccountCheckEntry.h"
#include "transport/MailCheckListener.h"
#include "transport/Pop3Session.h"

#include <vector>

/// Checks a work list of accounts on its own thread, one account after another. For each it
/// logs in, reads the message count and fetches headers only (TOP n 0) from the newest end of
/// the mailbox until it meets a message that is not newer than the newest one known. A mailbox
/// with nothing new costs two TOP commands: the first and the last message, which also tell
/// whether the server lists the newest message last or first.
class MailChecker : public Norq::Thread {
public:
    /// More new messages than this from one account in one check are not fetched: a hostile
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
    void checkAccount(const AccountCheckEntry& entry);
    Logic::Account::MailList walkMailbox(Pop3Session& session, const AccountCheckEntry& entry,
                                         int count);
    std::shared_ptr<Logic::Mail> fetch(Pop3Session& session, const AccountCheckEntry& entry,
                                       int index);

    MailCheckListener& m_listener;
    Pop3Limits m_limits;
    std::size_t m_maxNewMails;
    std::vector<AccountCheckEntry> m_workList;
};
