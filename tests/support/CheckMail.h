#pragma once

// Messages and accounts for checks against the test Dovecot.

#include "logic/Account.h"
#include "logic/AccountMgr.h"
#include "tests/servers/DovecotServer.h"
#include "tests/servers/TestCertificates.h"
#include "transport/ImapSession.h"

#include <chrono>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace TestMail {

/// A message received `hoursAgo` hours before now, with the Received date that decides newness.
inline std::string message(const std::string& subject, int hoursAgo) {
    const std::time_t when = std::time(nullptr) - hoursAgo * 3600;
    std::tm utc{};
    gmtime_r(&when, &utc);
    char date[64];
    std::strftime(date, sizeof date, "%a, %d %b %Y %H:%M:%S +0000", &utc);
    return std::string("Received: from relay.example.net by mx.example.org; ") + date +
           "\r\nFrom: =?utf-8?B?0JDQvdC90LA=?= <anna@example.net>\r\nSubject: " + subject +
           "\r\nMessage-ID: <" + subject + "@example.net>\r\n\r\nBody of " + subject + "\r\n";
}

/// An account for a Dovecot user on 127.0.0.1 (which the test certificate names), created now.
inline std::unique_ptr<Logic::Account> account(const std::string& user, const std::string& password,
                                               std::uint16_t port, bool tls) {
    auto account = std::make_unique<Logic::Account>();
    Logic::ConnectionSettings settings;
    settings.setEmailAddress(user + "@example.org");
    settings.setUserLogin(user);
    settings.setPassword(password);
    settings.setServerName("127.0.0.1");
    settings.setPort(port);
    settings.setUseTls(tls);
    account->setConnectionSettings(settings);
    return account;
}

/// The mailboxes of the check tests on a Dovecot with a trusted certificate for 127.0.0.1:
/// alice ("wonderland") holds one message older than an account's first check reaches and two
/// new ones, the newest "Café"; bob ("builder") has an empty mailbox.
struct Mailboxes {
    Mailboxes() {
        certificates.trustAuthority();
        dovecot.addUser("alice", "wonderland");
        dovecot.deliver("alice", message("old", 24 * 5));
        dovecot.deliver("alice", message("Tea \"at\" five", 30));
        dovecot.deliver("alice", message("=?utf-8?Q?Caf=C3=A9?=", 1));
        dovecot.addUser("bob", "builder");
    }

    TestServers::TestCertificates certificates;
    TestServers::DovecotServer dovecot{certificates.localhost()};
};

/// The UIDs of alice's unseen messages, as another mail program sees them over IMAP; with
/// `markOldest`, it marks the oldest of them read first, as reading it there would.
inline std::vector<std::uint32_t> aliceUnseen(const TestServers::DovecotServer& dovecot,
                                              bool markOldest = false) {
    ImapSession other("127.0.0.1", dovecot.imapsPort(), ImapSecurity::Tls);
    ImapMailboxState state;
    std::vector<std::uint32_t> unseen;
    if (!other.connect() || !other.logIn("alice", "wonderland") || !other.select("INBOX", state) ||
        !other.searchUnseen(unseen))
        return {};
    if (markOldest && !unseen.empty() && other.storeSeen({unseen.front()}))
        unseen.erase(unseen.begin());
    other.logout();
    return unseen;
}

} // namespace TestMail
