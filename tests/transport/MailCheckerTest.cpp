// The walk over a mailbox, as conversations with a scripted server: which TOP commands the
// checker sends, in which order, and what it reports.
#include "transport/MailChecker.h"
#include "foundation/TextConversion.h"
#include "logic/Mail.h"
#include "tests/servers/ScriptedPop3Server.h"
#include "tests/servers/Subprocess.h"
#include "tests/support/EventLog.h"
#include "tests/support/StderrCapture.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using TestServers::ScriptedPop3Server;

// Writes down every call, and lets the test wait for the end of the run.
class RecordingListener : public MailCheckListener {
public:
    void accountChecked(const AccountCheckEntry&, const Logic::Account::MailList& mails) override {
        std::string subjects;
        for (const auto& mail : mails) {
            if (!subjects.empty())
                subjects += ',';
            subjects += Norq::toNarrow(mail->subject());
        }
        record("checked [" + subjects + "]");
    }
    void accountFailed(const AccountCheckEntry&, CheckFailure failure) override {
        record(failure == CheckFailure::Login ? "failed login"
               : failure == CheckFailure::Tls ? "failed tls"
                                              : "failed connect");
    }
    void accountFinished(const AccountCheckEntry& entry) override {
        record("finished " + entry.connectionSettings.emailAddress());
    }
    void accountStarting(const AccountCheckEntry& entry) override {
        record("starting " + entry.connectionSettings.emailAddress());
    }
    void checkFinished() override { record("done"); }

    std::vector<std::string> waitForEnd() { return m_log.waitFor("done"); }

private:
    void record(std::string call) { m_log.record(std::move(call)); }

    TestSupport::EventLog m_log;
};

// A TOP reply for a message received on the given day of December 2009 at noon UTC.
std::string topReply(int day, const std::string& subject) {
    return "+OK\r\nReceived: from a by b; Mon, " + std::to_string(day) +
           " Dec 2009 12:00:00 +0000\r\nSubject: " + subject + "\r\n\r\n.\r\n";
}

MailDate knownDate(int day) {
    return parseMailDate("Mon, " + std::to_string(day) + " Dec 2009 12:00:00 +0000");
}

AccountCheckEntry entry(std::uint16_t port, MailDate newestKnown) {
    Logic::ConnectionSettings settings;
    settings.setEmailAddress("bob@example.org");
    settings.setServerName("127.0.0.1");
    settings.setPort(port);
    settings.setUserLogin("bob");
    settings.setPassword("secret");
    return {settings, newestKnown};
}

class MailCheckerTest : public testing::Test {
protected:
    void start(MailDate newestKnown, std::size_t maxNewMails = MailChecker::kDefaultMaxNewMails) {
        checker = std::make_unique<MailChecker>(listener, Pop3Limits{}, maxNewMails);
        checker->setWorkList({entry(server.port(), newestKnown)});
        checker->start();
    }
    // Greeting and USER; then the server answers PASS with `answer`.
    void logIn(const std::string& answer) {
        server.say("+OK ready\r\n");
        EXPECT_EQ(server.receiveLine(), "USER bob\r\n");
        server.say("+OK\r\n");
        EXPECT_EQ(server.receiveLine(), "PASS secret\r\n");
        server.say(answer);
    }
    // Login and STAT with `count` messages.
    void logIn(int count) {
        logIn("+OK\r\n");
        EXPECT_EQ(server.receiveLine(), "STAT\r\n");
        server.say("+OK " + std::to_string(count) + " 1000\r\n");
    }
    void expectTop(int number, int day) {
        EXPECT_EQ(server.receiveLine(), "TOP " + std::to_string(number) + " 0\r\n");
        server.say(topReply(day, "m" + std::to_string(number)));
    }
    void expectQuit() {
        EXPECT_EQ(server.receiveLine(), "QUIT\r\n");
        server.say("+OK bye\r\n");
    }

    ScriptedPop3Server server;
    RecordingListener listener;
    std::unique_ptr<MailChecker> checker;
};

const std::vector<std::string> kCheckedOf(const std::string& list) {
    return {"starting bob@example.org", "checked [" + list + "]", "finished bob@example.org",
            "done"};
}

} // namespace

TEST_F(MailCheckerTest, AscendingMailboxIsWalkedDownFromTheLast) {
    start(knownDate(3));
    logIn(5);
    expectTop(1, 1);
    expectTop(5, 5);
    expectTop(4, 4);
    expectTop(3, 3);
    expectQuit();
    EXPECT_EQ(listener.waitForEnd(), kCheckedOf("m5,m4"));
}

TEST_F(MailCheckerTest, DescendingMailboxIsWalkedUpFromTheFirst) {
    start(knownDate(4));
    logIn(5);
    expectTop(1, 5);
    expectTop(5, 1);
    expectTop(2, 4);
    expectQuit();
    EXPECT_EQ(listener.waitForEnd(), kCheckedOf("m1"));
}

TEST_F(MailCheckerTest, EqualFirstAndLastDatesWalkUpwards) {
    start(knownDate(1));
    logIn(3);
    expectTop(1, 2);
    expectTop(3, 2);
    expectTop(2, 2);
    expectTop(3, 2);
    expectQuit();
    EXPECT_EQ(listener.waitForEnd(), kCheckedOf("m1,m2,m3"));
}

TEST_F(MailCheckerTest, OneNewMessageIsFetchedAsFirstAndAsLast) {
    start(knownDate(1));
    logIn(1);
    expectTop(1, 2);
    expectTop(1, 2);
    expectQuit();
    EXPECT_EQ(listener.waitForEnd(), kCheckedOf("m1"));
}

TEST_F(MailCheckerTest, EmptyMailboxSendsNoTop) {
    start(knownDate(1));
    logIn(0);
    expectQuit();
    EXPECT_EQ(listener.waitForEnd(), kCheckedOf(""));
}

TEST_F(MailCheckerTest, NothingNewCostsTwoTops) {
    start(knownDate(9));
    logIn(4);
    expectTop(1, 1);
    expectTop(4, 4);
    expectQuit();
    EXPECT_EQ(listener.waitForEnd(), kCheckedOf(""));
}

TEST_F(MailCheckerTest, AServerWithEndlessNewMessagesIsReadOnlyUpToTheLimit) {
    start(knownDate(1), 3);
    logIn(2147483647);
    expectTop(1, 2);
    expectTop(2147483647, 9);
    expectTop(2147483646, 9);
    expectTop(2147483645, 9);
    expectQuit();
    EXPECT_EQ(listener.waitForEnd(), kCheckedOf("m2147483647,m2147483646,m2147483645"));
}

TEST_F(MailCheckerTest, RefusedTopEndsTheWalkWithWhatWasFound) {
    start(knownDate(1));
    logIn(3);
    expectTop(1, 2);
    expectTop(3, 4);
    EXPECT_EQ(server.receiveLine(), "TOP 2 0\r\n");
    server.say("-ERR no such message\r\n");
    expectQuit();
    EXPECT_EQ(listener.waitForEnd(), kCheckedOf("m3"));
}

TEST_F(MailCheckerTest, FailedStatIsACheckWithNothingNewAndNoQuit) {
    start(knownDate(1));
    logIn("+OK\r\n");
    EXPECT_EQ(server.receiveLine(), "STAT\r\n");
    server.say("-ERR mailbox locked\r\n");
    EXPECT_TRUE(server.waitForClose());
    EXPECT_EQ(server.unreadBytes(), "");
    EXPECT_EQ(listener.waitForEnd(), kCheckedOf(""));
}

TEST_F(MailCheckerTest, RefusedPasswordIsALoginFailure) {
    start(knownDate(1));
    logIn("-ERR [AUTH] Authentication failed.\r\n");
    EXPECT_EQ(listener.waitForEnd(),
              (std::vector<std::string>{"starting bob@example.org", "failed login",
                                        "finished bob@example.org", "done"}));
}

TEST_F(MailCheckerTest, ConnectionDroppedDuringLoginIsAConnectionFailure) {
    start(knownDate(1));
    server.say("+OK ready\r\n");
    EXPECT_EQ(server.receiveLine(), "USER bob\r\n");
    server.hangUp();
    EXPECT_EQ(listener.waitForEnd(),
              (std::vector<std::string>{"starting bob@example.org", "failed connect",
                                        "finished bob@example.org", "done"}));
}

TEST(MailChecker, EveryAccountHasItsTurnInOrder) {
    TestSupport::StderrCapture quiet;
    const std::uint16_t closedPort = TestServers::freeLoopbackPort();
    RecordingListener listener;
    MailChecker checker(listener);
    auto first = entry(closedPort, {});
    first.connectionSettings.setEmailAddress("a@example.org");
    auto second = entry(closedPort, {});
    second.connectionSettings.setEmailAddress("b@example.org");
    checker.setWorkList({first, second});
    checker.start();
    EXPECT_EQ(listener.waitForEnd(),
              (std::vector<std::string>{"starting a@example.org", "failed connect",
                                        "finished a@example.org", "starting b@example.org",
                                        "failed connect", "finished b@example.org", "done"}));
}

TEST(MailChecker, EmptyWorkListFinishesAtOnce) {
    RecordingListener listener;
    MailChecker checker(listener);
    checker.start();
    EXPECT_EQ(listener.waitForEnd(), std::vector<std::string>{"done"});
}

TEST(MailChecker, StoppingASilentCheckEndsItWithoutResult) {
    ScriptedPop3Server server;
    RecordingListener listener;
    MailChecker checker(listener);
    checker.setWorkList({entry(server.port(), {})});
    checker.start();
    ASSERT_TRUE(server.accept());
    // The server never greets; the 5-second wait must give way to the stop at once.
    checker.stop();
    EXPECT_EQ(
        listener.waitForEnd(),
        (std::vector<std::string>{"starting bob@example.org", "finished bob@example.org", "done"}));
}
