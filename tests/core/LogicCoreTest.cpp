// Whole checks through the model's root against a real Dovecot: statuses, merged messages,
// the data file, and a second check that finds nothing new.
#include "core/LogicCore.h"
#include "core/CheckModelUpdater.h"
#include "core/UserActions.h"
#include "logic/Mail.h"
#include "tests/servers/ScriptedPop3Server.h"
#include "tests/support/CheckMail.h"
#include "tests/support/EventLog.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>

namespace {

using TestServers::TestCertificates;

// Watches the model after each event and lets the test wait for the end of a run.
class EndOfCheck : public CheckObserver {
public:
    void checkStarted(CheckId) override { record("started"); }
    void accountStarting(const AccountCheckEntry&) override {}
    void accountChecked(const AccountCheckEntry&, const CheckFindings&) override {}
    void accountFailed(const AccountCheckEntry& entry, const CheckProblem&) override {
        record("failed " + entry.connectionSettings.emailAddress());
    }
    void accountFinished(const AccountCheckEntry&) override {}
    void checkFinished(CheckId) override { record("finished"); }

    std::vector<std::string> wait() { return m_log.waitFor("finished"); }

private:
    void record(std::string event) { m_log.record(std::move(event)); }

    TestSupport::EventLog m_log;
};

class LogicCoreTest : public testing::Test {
protected:
    static void SetUpTestSuite() { mailboxes = std::make_unique<TestMail::Mailboxes>(); }
    static void TearDownTestSuite() { mailboxes.reset(); }

    std::vector<std::string> check(LogicCore& core) {
        EndOfCheck end;
        CheckModelUpdater updater(core, &end);
        core.checkStarter().setObserver(&updater);
        EXPECT_TRUE(core.checkStarter().startCheck());
        auto events = end.wait();
        // The run may not have quite ended when its last event arrives.
        core.checkStarter().stopCheck();
        core.checkStarter().setObserver(nullptr);
        return events;
    }

    static inline std::unique_ptr<TestMail::Mailboxes> mailboxes;
    TestSupport::TempHome home;
    TestSupport::StderrCapture quiet;
};

} // namespace

TEST_F(LogicCoreTest, CheckMergesNewMailSavesItAndFindsNothingNewTheSecondTime) {
    {
        LogicCore core(home.dataFolder(), {});
        core.accountMgr().addAccount(
            TestMail::account("alice", "wonderland", mailboxes->dovecot.tlsPort(), true));
        core.accountMgr().addAccount(
            TestMail::account("bob", "builder", mailboxes->dovecot.plainPort(), false));
        EXPECT_EQ(check(core), (std::vector<std::string>{"started", "finished"}));

        const Logic::Account& alice = *core.accountMgr().findByEmail("alice@example.org");
        ASSERT_EQ(alice.mails().size(), 2u);
        EXPECT_EQ(alice.mails()[0]->subject(), u"Café");
        EXPECT_EQ(alice.mails()[0]->sender(), u"Анна <anna@example.net>");
        EXPECT_EQ(alice.mails()[1]->subject(), u"Tea \"at\" five");
        EXPECT_EQ(alice.status(), Logic::AccountStatus::Idle);
        EXPECT_TRUE(core.accountMgr().findByEmail("bob@example.org")->mails().empty());
    }
    // The check saved everything: a new core reads it back, and checks again.
    LogicCore core(home.dataFolder(), {});
    ASSERT_EQ(core.accountMgr().size(), 2u);
    Logic::Account& alice = *core.accountMgr().findByEmail("alice@example.org");
    ASSERT_EQ(alice.mails().size(), 2u);
    alice.clearMails(); // read them all: they stay in the mailbox, but are not new again
    const auto dataFile = home.dataFolder() / "data" / "general.bin";
    const auto written = std::filesystem::last_write_time(dataFile);
    check(core);
    EXPECT_TRUE(alice.mails().empty());
    // A check that changed nothing writes nothing.
    EXPECT_EQ(std::filesystem::last_write_time(dataFile), written);
}

// An IMAP account lists its INBOX's unseen messages; Mark As Read with "Mark messages read on
// the server too" marks the message read there as well, and the next check agrees.
TEST_F(LogicCoreTest, AnImapAccountMarksAMessageReadOnTheServer) {
    LogicCore core(home.dataFolder(), {});
    auto account = TestMail::account("alice", "wonderland", mailboxes->dovecot.imapsPort(), true);
    Logic::ConnectionSettings settings = account->connectionSettings();
    settings.setProtocol(Logic::ConnectionSettings::Protocol::Imap);
    account->setConnectionSettings(settings);
    Logic::AccountPreferences preferences;
    preferences.setMarkReadOnServer(true);
    account->setPreferences(preferences);
    const Logic::Account& alice = core.accountMgr().addAccount(std::move(account));
    EXPECT_EQ(check(core), (std::vector<std::string>{"started", "finished"}));
    ASSERT_EQ(alice.mails().size(), 3u);
    EXPECT_EQ(alice.mails()[0]->subject(), u"Café");
    EXPECT_EQ(alice.mails()[0]->sender(), u"Анна <anna@example.net>");
    // Dated by its arrival (INTERNALDATE), as a POP3 message is by its Received line.
    EXPECT_TRUE(alice.mails()[2]->received().isKnown());

    EXPECT_EQ(UserActions(core).markRead({alice.mails()[0].get()}), ActionResult::Saved);
    // The server's thread runs its tasks in order: once this one runs, the marking is done.
    std::promise<void> marked;
    core.serverWork().post([&] { marked.set_value(); });
    marked.get_future().wait();
    EXPECT_EQ(TestMail::aliceUnseen(mailboxes->dovecot).size(), 2u);
    check(core);
    EXPECT_EQ(alice.mails().size(), 2u);
}

TEST_F(LogicCoreTest, RefusedLoginAndUntrustedServerShowAsFailed) {
    // The test server is a provider's that wants an app password.
    const auto presets = home.dataFolder() / "servers.xml";
    TestSupport::writeFile(presets, "<servers><server name=\"example.org\"><pop3 "
                                    "address=\"127.0.0.1\"/><access login=\"app-password\" "
                                    "help=\"https://help.example.org/pop\"/></server></servers>");
    LogicCore core(home.dataFolder(), presets);
    core.accountMgr().addAccount(
        TestMail::account("alice", "wrong", mailboxes->dovecot.plainPort(), false));
    auto otherName = TestMail::account("bob", "builder", mailboxes->dovecot.tlsPort(), true);
    auto settings = otherName->connectionSettings();
    settings.setServerName("127.0.0.1"); // the certificate names localhost and 127.0.0.1 ...
    settings.setEmailAddress("bob-by-ip@example.org");
    otherName->setConnectionSettings(settings);
    core.accountMgr().addAccount(std::move(otherName));
    auto untrusted = TestMail::account("bob", "builder", mailboxes->dovecot.tlsPort(), true);
    settings = untrusted->connectionSettings();
    settings.setServerName(TestCertificates::kOtherHostName); // ... but not this name
    settings.setEmailAddress("bob-elsewhere@example.org");
    untrusted->setConnectionSettings(settings);
    core.accountMgr().addAccount(std::move(untrusted));

    auto events = check(core);
    // The accounts are checked side by side: their order is the servers'.
    std::sort(events.begin() + 1, events.end() - 1);
    EXPECT_EQ(events, (std::vector<std::string>{"started", "failed alice@example.org",
                                                "failed bob-elsewhere@example.org", "finished"}));
    const Logic::Account& alice = *core.accountMgr().findByEmail("alice@example.org");
    EXPECT_EQ(alice.status(), Logic::AccountStatus::Failed);
    const std::string refused = "The server refused the log-in: [AUTH] Authentication failed. "
                                "This provider needs an app password: https://help.example.org/pop";
    EXPECT_EQ(alice.failureReason(), refused);
    // A later run knows why the account fails; its failures in a row start afresh.
    EXPECT_EQ(LogicCore(home.dataFolder(), {})
                  .accountMgr()
                  .findByEmail("alice@example.org")
                  ->failureReason(),
              refused);
    const Logic::Account& bob = *core.accountMgr().findByEmail("bob-by-ip@example.org");
    EXPECT_EQ(bob.status(), Logic::AccountStatus::Idle);
    EXPECT_EQ(bob.failureReason(), "");

    // Failures count up until a check works again.
    check(core);
    EXPECT_EQ(alice.failuresInARow(), 2);
    Logic::ConnectionSettings fixed = alice.connectionSettings();
    fixed.setPassword("wonderland");
    core.accountMgr().findByEmail("alice@example.org")->setConnectionSettings(fixed);
    check(core);
    EXPECT_EQ(alice.failureReason(), "");
    EXPECT_EQ(alice.failuresInARow(), 0);
    EXPECT_EQ(LogicCore(home.dataFolder(), {})
                  .accountMgr()
                  .findByEmail("alice@example.org")
                  ->failureReason(),
              "");
}

TEST_F(LogicCoreTest, NoAccountsStillStartsAndFinishes) {
    LogicCore core(home.dataFolder(), {});
    EXPECT_EQ(check(core), (std::vector<std::string>{"started", "finished"}));
}

TEST_F(LogicCoreTest, TheSeenIdsLiveInAStateFileWhoseLossMeansWalkingByDate) {
    const auto seenFile = home.dataFolder() / "data" / "seen.bin";
    const auto aliceWalkedThrough = [this] {
        LogicCore core(home.dataFolder(), {});
        return core.accountMgr().findByEmail("alice@example.org")->seenMessages().walkedThrough();
    };
    {
        LogicCore core(home.dataFolder(), {});
        core.accountMgr().addAccount(
            TestMail::account("alice", "wonderland", mailboxes->dovecot.tlsPort(), true));
        check(core);
    }
    EXPECT_TRUE(aliceWalkedThrough());
    TestSupport::writeFile(seenFile, "damaged");
    EXPECT_FALSE(aliceWalkedThrough());
    std::filesystem::remove(seenFile);
    EXPECT_FALSE(aliceWalkedThrough());
}
