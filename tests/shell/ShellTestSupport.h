#pragma once

// What the shell's tests share: one test Dovecot for the whole program, and a model to show.

#include "core/LogicCore.h"
#include "logic/Mail.h"
#include "tests/support/CheckMail.h"

#include <memory>
#include <string>

namespace ShellTest {

/// Started on first use and kept for the program's run: alice has two new messages, bob none.
inline TestMail::Mailboxes& mailboxes() {
    static TestMail::Mailboxes instance;
    return instance;
}

/// An account whose server refuses every connection, so its check ends at once.
inline std::unique_ptr<Logic::Account> unreachableAccount(const std::string& email) {
    auto account = std::make_unique<Logic::Account>();
    Logic::ConnectionSettings settings;
    settings.setEmailAddress(email);
    settings.setServerName("127.0.0.1");
    settings.setPort(9);
    account->setConnectionSettings(settings);
    return account;
}

/// Gives the account `count` more unread messages the pop-ups have not shown.
inline void addMails(LogicCore& core, const std::string& email, int count,
                     const std::string& subject = "Subject") {
    Logic::Account::MailList mails;
    for (int i = 0; i < count; ++i)
        mails.push_back(std::make_shared<Logic::Mail>(
            email, "From: Anna <anna@example.net>\r\nSubject: " + subject + " " +
                       std::to_string(i) + "\r\n\r\n"));
    std::lock_guard lock(core.accountMgr().accountLock());
    core.accountMgr().findByEmail(email)->mergeNewMails(mails);
}

} // namespace ShellTest
