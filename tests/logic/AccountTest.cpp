#include "logic/Account.h"
#include "foundation/SaveLoad.h"
#include "headers/MailDate.h"
#include "logic/AccountPreferences.h"
#include "logic/ConnectionSettings.h"
#include "logic/Mail.h"
#include "tests/logic/LogicTestSupport.h"

#include <gtest/gtest.h>

using Logic::Account;
using Logic::AccountPreferences;
using Logic::ConnectionSettings;
using Logic::ReadMailAction;
using LogicTest::mailAt;
using LogicTest::readBack;
using Norq::SaveLoad::Writer;

namespace {

// 2023-07-15 12:00:00 UTC and 2024-01-15 12:00:00 UTC: far from any change of daylight saving.
constexpr std::time_t kSummer = 1689422400;
constexpr std::time_t kWinter = 1705320000;

std::string recordOf(const auto& object) {
    Writer writer;
    object.save(writer);
    return writer.bytes();
}

} // namespace

TEST(AccountRecords, EveryRecordStartsWithTheSlotIdOfItsTag) {
    const ConnectionSettings settings;
    const AccountPreferences preferences;
    const Account account(kSummer);
    const auto mail = mailAt(kSummer);
    EXPECT_EQ(recordOf(settings).substr(0, 8), std::string("\x13\x88\x1C\xEA\0\0\0\0", 8));
    EXPECT_EQ(recordOf(preferences).substr(0, 8), std::string("\x7B\xF3\xE9\x8C\0\0\0\0", 8));
    EXPECT_EQ(recordOf(account).substr(0, 8), std::string("\x03\xDB\x94\x85\0\0\0\0", 8));
    EXPECT_EQ(recordOf(*mail).substr(0, 8), std::string("\x33\x6F\x86\x7B\0\0\0\0", 8));
}

TEST(AccountRecords, DefaultsAndTheirSizes) {
    const ConnectionSettings settings;
    EXPECT_EQ(settings.port(), 110);
    EXPECT_FALSE(settings.useTls());
    // Four empty strings, the port and the flag.
    EXPECT_EQ(recordOf(settings).size(), 8u + 1 + 1 + 2 + 1 + 1 + 1);

    const AccountPreferences preferences;
    EXPECT_EQ(preferences.readMailAction(), ReadMailAction::DefaultMailClient);
    EXPECT_EQ(recordOf(preferences).size(), 8u + 2 + 2 + 4);
    // The action is the last field and reads back as 0.
    EXPECT_EQ(readBack<AccountPreferences>(recordOf(preferences)).readMailAction(),
              ReadMailAction::DefaultMailClient);

    // Settings, preferences, the mark and a mail count of 0.
    const Account account(kSummer);
    EXPECT_EQ(recordOf(account).size(), 8u + 15 + 16 + 4 + 4 + 4);
    EXPECT_EQ(account.status(), Logic::AccountStatus::Idle);
}

// A new account's first check reports what arrived during the 48 hours before it was set up,
// whatever the local zone, the sender's zone and the season.
struct ReachCase {
    const char* localZone;
    std::time_t createdAt;
};

class NewAccountReach : public ::testing::TestWithParam<ReachCase> {};

TEST_P(NewAccountReach, IsExactlyFortyEightHours) {
    const LogicTest::ScopedTimeZone zone(GetParam().localZone);
    const std::time_t createdAt = GetParam().createdAt;
    const Account account(createdAt);
    EXPECT_EQ(account.newestMail().zoneOffset, 0);

    const std::time_t reach = 48 * 60 * 60;
    for (int headerZone : {0, 180, -300, 330}) {
        SCOPED_TRACE(headerZone);
        const MailDate inside = mailAt(createdAt - reach + 60, headerZone)->received();
        const MailDate outside = mailAt(createdAt - reach - 60, headerZone)->received();
        const MailDate recent = mailAt(createdAt - 60, headerZone)->received();
        EXPECT_GT(inside, account.newestMail());
        EXPECT_GT(recent, account.newestMail());
        EXPECT_LT(outside, account.newestMail());
    }
}

INSTANTIATE_TEST_SUITE_P(Zones, NewAccountReach,
                         ::testing::Values(ReachCase{"UTC0", kSummer},
                                           ReachCase{"<+03>-3", kWinter},
                                           ReachCase{"CET-1CEST,M3.5.0,M10.5.0/3", kSummer},
                                           ReachCase{"CET-1CEST,M3.5.0,M10.5.0/3", kWinter},
                                           ReachCase{"EST5EDT,M3.2.0,M11.1.0", kSummer},
                                           ReachCase{"EST5EDT,M3.2.0,M11.1.0", kWinter}));

TEST(AccountMails, MergeSortsByInstantNewestFirst) {
    const LogicTest::ScopedTimeZone zone("UTC0");
    Account account(kSummer);
    const auto first = mailAt(kSummer - 3000, 0, "first");
    const auto second = mailAt(kSummer - 2000, -300, "second"); // written as local time in New York
    const auto third = mailAt(kSummer - 1000, 180, "third");    // and in Moscow
    account.mergeNewMails({second, first});
    account.mergeNewMails({third});

    ASSERT_EQ(account.mails().size(), 3u);
    EXPECT_EQ(account.mails()[0], third);
    EXPECT_EQ(account.mails()[1], second);
    EXPECT_EQ(account.mails()[2], first);
    EXPECT_EQ(account.newestMail().time, third->received().time);
    EXPECT_EQ(account.newestMail().zoneOffset, 10800);
}

TEST(AccountMails, TheMarkNeverMovesBack) {
    const LogicTest::ScopedTimeZone zone("UTC0");
    Account account(kSummer);
    const MailDate created = account.newestMail();
    // Merging nothing into an account without mails leaves the mark.
    account.mergeNewMails({});
    EXPECT_EQ(account.newestMail().time, created.time);

    const auto older = mailAt(kSummer - 2000);
    const auto newer = mailAt(kSummer - 1000);
    account.mergeNewMails({older, newer});
    const MailDate mark = account.newestMail();
    EXPECT_EQ(mark, newer->received());

    // The newest one is read; a check that finds nothing new must not pull the mark back to
    // the older unread one, or the read message would be reported again.
    EXPECT_TRUE(account.removeMail(*newer));
    account.mergeNewMails({});
    EXPECT_EQ(account.newestMail(), mark);
    EXPECT_FALSE(newer->received() > account.newestMail());

    account.clearMails();
    account.mergeNewMails({});
    EXPECT_EQ(account.newestMail(), mark);
    EXPECT_TRUE(account.mails().empty());

    // Found by a check cut short: listed, but the walk behind them is still to be done.
    const auto latest = mailAt(kSummer);
    account.mergeNewMails({latest}, Account::Mark::Keep);
    EXPECT_EQ(account.newestMail(), mark);
    EXPECT_EQ(account.mails().size(), 1u);
}

TEST(AccountMails, RemoveGoesByIdentityAndKeepsTheOrder) {
    Account account(kSummer);
    // Records with the same contents are still different messages.
    const auto a = mailAt(kSummer - 300);
    const auto b = mailAt(kSummer - 200);
    const auto c = mailAt(kSummer - 100);
    account.mergeNewMails({a, b, c});
    EXPECT_FALSE(account.removeMail(*mailAt(kSummer - 200)));
    EXPECT_TRUE(account.removeMail(*b));
    EXPECT_EQ(account.mails(), (Account::MailList{c, a}));
    EXPECT_FALSE(account.removeMail(*b));
}

// An IMAP check: what is no longer unseen leaves; after a change of UIDVALIDITY the messages
// held take their new UIDs and are not new again.
TEST(AccountMails, AnImapCheckFollowsTheServer) {
    Account account(kSummer);
    const auto withUid = [](std::time_t utc, const char* subject, std::uint32_t uid) {
        auto mail = mailAt(utc, 0, subject);
        mail->setImapUid(uid);
        return mail;
    };
    const auto a = withUid(kSummer - 300, "a", 10);
    const auto b = withUid(kSummer - 200, "b", 11);
    account.mergeNewMails(account.takeImapCheck({7, 12}, {10, 11}, {a, b}));
    EXPECT_EQ(account.mails(), (Account::MailList{b, a}));
    EXPECT_EQ(account.imapMark(), (Logic::ImapMark{7, 12}));

    // Read elsewhere: gone from the list at the next check.
    EXPECT_TRUE(account.takeImapCheck({7, 12}, {11}, {}).empty());
    EXPECT_EQ(account.mails(), (Account::MailList{b}));

    // The mailbox was rebuilt: b comes back with another UID, c is new.
    const auto c = withUid(kSummer - 100, "c", 3);
    const auto fresh = account.takeImapCheck({8, 4}, {2, 3}, {withUid(kSummer - 200, "b", 2), c});
    EXPECT_EQ(fresh, (Account::MailList{c}));
    EXPECT_EQ(account.mails(), (Account::MailList{b}));
    EXPECT_EQ(b->imapUid(), 2u);
}
