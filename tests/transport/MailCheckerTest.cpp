// The walk over a mailbox, as conversations with a scripted server: which TOP commands the
// checker sends, in which order, and what it reports.
#include "transport/MailChecker.h"
#include "logic/Mail.h"
#include "tests/servers/ScriptedPop3Server.h"
#include "tests/servers/Subprocess.h"
#include "tests/support/StderrCapture.h"
#include "tests/transport/RecordingListener.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using TestServers::ScriptedPop3Server;
using TestTransport::RecordingListener;

// A TOP reply for a message received on the given day of December 2009 at noon UTC.
std::string topReply(int day, const std::string& subject) {
    return "+OK\r\nReceived: from a by b; Mon, " + std::to_string(day) +
           " Dec 2009 12:00:00 +0000\r\nSubject: " + subject + "\r\n\r\n.\r\n";
}

// What one server serves for an 8-bit header unless asked for UTF-8: no Received line, and a
// Date line that only the sender vouches for.
const std::string kStub =
    "+OK\r\nDate: Fri, 1 Jan 2099 00:00:00 +0000\r\nSubject: stub\r\n\r\n.\r\n";

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
    return {settings, newestKnown, {}, {}};
}

class MailCheckerTest : public testing::Test {
protected:
    void start(MailDate newestKnown, std::size_t maxNewMails = MailChecker::kDefaultMaxNewMails,
               const Pop3Limits& limits = {}) {
        checker = std::make_unique<MailChecker>(listener, limits, maxNewMails);
        checkAgain(newestKnown);
    }
    // Another check by the same checker, which remembers what it learnt of the server.
    void checkAgain(MailDate newestKnown) {
        checker->stop(); // the last run may not have quite ended yet
        AccountCheckEntry work = entry(server.port(), newestKnown);
        work.seen = seen;
        checker->setWorkList({work});
        checker->start();
    }
    // The ids earlier checks have seen: a walk that went through to its end saw these.
    void seenBefore(const std::vector<std::string>& ids) {
        seen = Logic::SeenMessages(entry(server.port(), {}).connectionSettings.mailboxKey());
        seen.walkEnded(ids);
    }
    // A message asked for with its id, one command at a time.
    void expectMessage(int number, const std::string& id, const std::string& reply) {
        expectAlone("UIDL " + std::to_string(number));
        server.say("+OK " + std::to_string(number) + " " + id + "\r\n");
        expectTop(number, reply);
    }

    // One command of a one-by-one dialogue: nothing else came with it.
    void expectAlone(const std::string& line) {
        EXPECT_EQ(server.receiveLine(), line + "\r\n");
        EXPECT_EQ(server.unreadBytes(), "") << "behind " << line;
    }
    // Greeting, CAPA (and UTF8 when offered) and USER; then the server answers PASS with
    // `answer`. Each command goes out alone, whatever the capabilities say.
    void logIn(const std::string& answer, const std::string& capabilities = "-ERR\r\n") {
        server.say("+OK ready\r\n");
        expectAlone("CAPA");
        server.say(capabilities);
        if (capabilities.find("UTF8") != std::string::npos) {
            expectAlone("UTF8");
            server.say("+OK\r\n");
        }
        expectAlone("USER bob");
        server.say("+OK\r\n");
        expectAlone("PASS secret");
        server.say(answer);
    }
    // Login and STAT with `count` messages.
    void logIn(int count, const std::string& capabilities = "-ERR\r\n") {
        logIn("+OK\r\n", capabilities);
        expectAlone("STAT");
        server.say("+OK " + std::to_string(count) + " 1000\r\n");
    }
    void expectTop(int number, int day) {
        expectTop(number, topReply(day, "m" + std::to_string(number)));
    }
    void expectTop(int number, const std::string& reply) {
        expectAlone("TOP " + std::to_string(number) + " 0");
        server.say(reply);
    }
    void expectQuit() {
        expectAlone("QUIT");
        server.say("+OK bye\r\n");
    }

    // One round trip with a pipelining server that reads all the client sent in one go
    // before it answers any of it.
    void roundTrip(const std::vector<std::string>& lines, const std::string& replies) {
        for (const std::string& line : lines)
            EXPECT_EQ(server.receiveLine(), line + "\r\n");
        EXPECT_EQ(server.unreadBytes(), "") << "behind " << lines.back();
        server.say(replies);
    }
    template <typename Reply> void topRoundTrip(const std::vector<int>& numbers, Reply reply) {
        std::vector<std::string> lines;
        std::string replies;
        for (int number : numbers) {
            lines.push_back("TOP " + std::to_string(number) + " 0");
            replies += reply(number);
        }
        roundTrip(lines, replies);
    }
    // Greeting and CAPA with PIPELINING; USER and PASS together, then STAT on its own with
    // `count` messages. A server that `dropsEarlyInput` loses whatever came while it checked
    // the password.
    void logInPipelined(int count, bool dropsEarlyInput = false) {
        server.say("+OK ready\r\n");
        roundTrip({"CAPA"}, "+OK\r\nTOP\r\nPIPELINING\r\n.\r\n");
        if (dropsEarlyInput) {
            EXPECT_EQ(server.receiveLine(), "USER bob\r\n");
            EXPECT_EQ(server.receiveLine(), "PASS secret\r\n");
            server.unreadBytes(); // lost
            server.say("+OK\r\n+OK\r\n");
        } else {
            roundTrip({"USER bob", "PASS secret"}, "+OK\r\n+OK\r\n");
        }
        roundTrip({"STAT"}, "+OK " + std::to_string(count) + " 1000\r\n");
    }

    ScriptedPop3Server server;
    RecordingListener listener;
    std::unique_ptr<MailChecker> checker;
    Logic::SeenMessages seen;
};

const std::string kWithIds = "+OK\r\nTOP\r\nUIDL\r\n.\r\n";
const std::string kUndated = "+OK\r\nSubject: undated\r\n\r\n.\r\n";

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

TEST_F(MailCheckerTest, UndatedMessagesAndRefusedTopsAreSteppedOverNeverEndingTheWalk) {
    start(knownDate(2));
    logIn(6);
    expectTop(1, 1);
    expectTop(6, 6);
    expectTop(5, kStub);
    expectTop(4, "-ERR no such message\r\n");
    expectTop(3, "+OK\r\nReceived: from a by b; sometime\r\nSubject: unparsable\r\n.\r\n");
    expectTop(2, 3);
    expectTop(1, 1);
    expectQuit();
    EXPECT_EQ(listener.waitForEnd(), kCheckedOf("m6,m2"));
}

TEST_F(MailCheckerTest, AnUndatedEndTakesTheMailboxAsOldestFirst) {
    // Compared as they stand, the stub's empty date would make this mailbox look newest first.
    start(knownDate(2));
    logIn(4);
    expectTop(1, 1);
    expectTop(4, kStub);
    expectTop(3, 4);
    expectTop(2, 3);
    expectTop(1, 1);
    expectQuit();
    EXPECT_EQ(listener.waitForEnd(), kCheckedOf("m3,m2"));
}

TEST_F(MailCheckerTest, WithSeenIdsEveryMessageNotSeenIsNewWhateverItsDate) {
    seenBefore({"u3", "u2", "u1"});
    start(knownDate(3));
    logIn(6, kWithIds);
    expectMessage(1, "u1", topReply(1, "m1"));
    expectMessage(6, "u6", kUndated);
    expectMessage(5, "u5", topReply(2, "m5")); // delivered after one stamped later
    expectMessage(4, "u4", topReply(3, "m4")); // in the same second as the newest known
    expectMessage(3, "u3", topReply(3, "m3")); // seen: the end
    expectQuit();
    EXPECT_EQ(listener.waitForEnd(), kCheckedOf("undated,m5,m4"));
    const Logic::SeenMessages after = listener.lastSeen();
    for (const char* id : {"u6", "u5", "u4", "u3", "u1"})
        EXPECT_EQ(after.find(id), Logic::SeenMessages::Seen::Passed) << id;
}

TEST_F(MailCheckerTest, WithoutSeenIdsTheWalkGoesByDateAndOldMailStaysOld) {
    start(knownDate(3));
    logIn(6, kWithIds);
    expectMessage(1, "u1", topReply(1, "m1"));
    expectMessage(6, "u6", kUndated);
    expectMessage(5, "u5", topReply(2, "m5"));
    expectQuit();
    EXPECT_EQ(listener.waitForEnd(), kCheckedOf(""));
    const Logic::SeenMessages after = listener.lastSeen();
    EXPECT_TRUE(after.walkedThrough());
    EXPECT_EQ(after.find("u5"), Logic::SeenMessages::Seen::Passed);
}

TEST_F(MailCheckerTest, AWalkCutShortKeepsWhatItFoundAndTheNextGoesOnBehindIt) {
    seenBefore({"u3", "u2", "u1"});
    Pop3Limits limits;
    limits.checkBytes = 1; // spent on the first reply
    start(knownDate(3), MailChecker::kDefaultMaxNewMails, limits);
    logIn(6, kWithIds);
    expectMessage(1, "u1", topReply(1, "m1"));
    expectMessage(6, "u6", topReply(6, "m6"));
    EXPECT_TRUE(server.waitForClose());
    EXPECT_EQ(listener.waitForEnd(),
              (std::vector<std::string>{"starting bob@example.org", "cut [m6]", "failed server",
                                        "finished bob@example.org", "done"}));
    EXPECT_NE(listener.lastProblem().reason.find("fetched more than"), std::string::npos);

    seen = listener.lastSeen();
    checker = std::make_unique<MailChecker>(listener);
    checkAgain(knownDate(3)); // the mark stays where it was
    ASSERT_TRUE(server.accept());
    logIn(6, kWithIds);
    expectMessage(1, "u1", topReply(1, "m1"));
    expectMessage(6, "u6", topReply(6, "m6")); // told once is enough
    expectMessage(5, "u5", topReply(5, "m5"));
    expectMessage(4, "u4", topReply(4, "m4"));
    expectMessage(3, "u3", topReply(3, "m3"));
    expectQuit();
    EXPECT_EQ(listener.waitForEnd(), kCheckedOf("m5,m4"));
}

TEST_F(MailCheckerTest, ACheckThatRunsOutOfTimeEndsWithWhatItFound) {
    seenBefore({"u1"});
    Pop3Limits limits;
    limits.check = std::chrono::seconds(1);
    start(knownDate(3), MailChecker::kDefaultMaxNewMails, limits);
    logIn(6, kWithIds);
    expectMessage(1, "u1", topReply(1, "m1"));
    expectMessage(6, "u6", topReply(6, "m6"));
    expectAlone("UIDL 5"); // never answered
    EXPECT_EQ(listener.waitForEnd(),
              (std::vector<std::string>{"starting bob@example.org", "cut [m6]", "failed server",
                                        "finished bob@example.org", "done"}));
    EXPECT_EQ(listener.lastProblem().reason,
              "The check did not end within 1 s. The new messages found so far are listed; the "
              "next check reads on.");
}

TEST_F(MailCheckerTest, AServerThatOffersUtf8IsAskedForIt) {
    // Such a server serves a header with 8-bit text whole only after UTF8.
    start(knownDate(1));
    logIn(1, "+OK\r\nTOP\r\nUTF8\r\n.\r\n");
    expectTop(1, topReply(2, "Gr\xC3\xBC\xC3\x9F"
                             "e"));
    expectTop(1, topReply(2, "Gr\xC3\xBC\xC3\x9F"
                             "e"));
    expectQuit();
    EXPECT_EQ(listener.waitForEnd(), kCheckedOf("Grüße"));
}

// Each of these leaves the check without all its new messages: it fails, and nothing of it
// is handed on, so the next check walks again from the same newest known date.
TEST_F(MailCheckerTest, AServerWhoseRepliesCannotBeUsedFailsTheCheckWithNothingHandedOn) {
    const std::vector<std::string> kFailed = {"starting bob@example.org", "failed server",
                                              "finished bob@example.org", "done"};
    for (const char* stat : {"-ERR mailbox locked\r\n", "+OK\r\n"}) {
        start(knownDate(1));
        ASSERT_TRUE(server.accept());
        logIn("+OK\r\n");
        EXPECT_EQ(server.receiveLine(), "STAT\r\n");
        server.say(stat);
        EXPECT_TRUE(server.waitForClose());
        EXPECT_EQ(server.unreadBytes(), "");
        EXPECT_EQ(listener.waitForEnd(), kFailed) << stat;
    }
    for (int refused : {1, 3}) {
        start(knownDate(1));
        ASSERT_TRUE(server.accept());
        logIn(3);
        expectTop(1, refused == 1 ? "-ERR\r\n" : topReply(2, "m1"));
        if (refused == 3)
            expectTop(3, "-ERR\r\n");
        EXPECT_TRUE(server.waitForClose());
        EXPECT_EQ(listener.waitForEnd(), kFailed) << "TOP " << refused << " refused";
    }
    // The last header never ends: whatever came of it is no header.
    start(knownDate(1), MailChecker::kDefaultMaxNewMails, {1s, 1h, 1h});
    ASSERT_TRUE(server.accept());
    logIn(3);
    expectTop(1, 2);
    expectTop(3, 4);
    expectTop(2, "+OK\r\nReceived: from a by b; Mon, 3 Dec 2009 12:00:00 +0000\r\n");
    EXPECT_TRUE(server.waitForClose());
    EXPECT_EQ(listener.waitForEnd(), kFailed);
}

TEST_F(MailCheckerTest, APasswordRefusedLateIsStillAWrongPassword) {
    start(knownDate(1), MailChecker::kDefaultMaxNewMails,
          {100ms, 1h, 1h, Pop3Reply::kDefaultSizeLimit, 1h});
    server.say("+OK ready\r\n");
    EXPECT_EQ(server.receiveLine(), "CAPA\r\n");
    server.say("-ERR\r\n");
    EXPECT_EQ(server.receiveLine(), "USER bob\r\n");
    server.say("+OK\r\n");
    EXPECT_EQ(server.receiveLine(), "PASS secret\r\n");
    // Six times the usual limit of silence, as servers slow wrong passwords down.
    std::this_thread::sleep_for(600ms);
    server.say("-ERR [AUTH] Authentication failed.\r\n");
    EXPECT_EQ(listener.waitForEnd(),
              (std::vector<std::string>{"starting bob@example.org", "failed login",
                                        "finished bob@example.org", "done"}));
}

// One mailbox, checked by a server that pipelines, by one that does not, and by one that
// loses what came before its reply to PASS: the same new messages, the first in a handful of
// batches. Messages 1 to 12 arrived on days 1 to 12, except that 9 is a stub and 7 is refused;
// every day after the 3rd is new.
TEST_F(MailCheckerTest, PipelinedAndOneByOneChecksFindTheSameMessages) {
    const auto reply = [](int number) {
        return number == 9   ? kStub
               : number == 7 ? std::string("-ERR\r\n")
                             : topReply(number, "m" + std::to_string(number));
    };
    const std::string kNew = "m12,m11,m10,m8,m6,m5,m4";

    // One by one, exactly as always: CAPA refused.
    start(knownDate(3));
    logIn(12);
    for (int number : {1, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3})
        expectTop(number, reply(number));
    expectQuit();
    EXPECT_EQ(listener.waitForEnd(), kCheckedOf(kNew));

    // Pipelined: the two below the last message go out with the two ends, then a batch of 8.
    for (const bool dropsEarlyInput : {false, true}) {
        start(knownDate(3));
        ASSERT_TRUE(server.accept());
        logInPipelined(12, dropsEarlyInput);
        topRoundTrip({1, 12, 11, 10}, reply);
        topRoundTrip({9, 8, 7, 6, 5, 4, 3, 2}, reply);
        roundTrip({"QUIT"}, "+OK bye\r\n");
        EXPECT_EQ(listener.waitForEnd(), kCheckedOf(kNew)) << dropsEarlyInput;
    }
}

TEST_F(MailCheckerTest, TenNewAmongAThousandCostSevenRoundTrips) {
    // Message 1 is the oldest; 991 to 1000 are new.
    const auto reply = [](int number) {
        return topReply(number == 1 ? 1 : number > 990 ? 20 : 5, "m" + std::to_string(number));
    };
    start(knownDate(10));
    logInPipelined(1000); // greeting, CAPA, USER and PASS, STAT
    topRoundTrip({1, 1000, 999, 998}, reply);
    topRoundTrip({997, 996, 995, 994, 993, 992, 991, 990}, reply);
    roundTrip({"QUIT"}, "+OK bye\r\n");
    EXPECT_EQ(listener.waitForEnd(),
              kCheckedOf("m1000,m999,m998,m997,m996,m995,m994,m993,m992,m991"));
}

TEST_F(MailCheckerTest, AStalledBatchIsCheckedAgainOneByOneAndTheServerStaysSo) {
    // The stall shows as silence; a short limit keeps the wait for it short.
    start(knownDate(3), MailChecker::kDefaultMaxNewMails, {1s, 1h, 1h});
    logInPipelined(5);
    // The server answers the first command of the batch and loses the rest.
    for (int number : {1, 5, 4, 3})
        EXPECT_EQ(server.receiveLine(), "TOP " + std::to_string(number) + " 0\r\n");
    server.say(topReply(1, "m1"));

    const auto oneByOne = [&](bool retry) {
        // The stalled connection was closed first: servers lock the mailbox until it ends.
        ASSERT_TRUE(retry ? server.acceptAnother() : server.accept());
        logIn(5, "+OK\r\nTOP\r\nPIPELINING\r\n.\r\n");
        expectTop(1, 1);
        expectTop(5, 5);
        expectTop(4, 4);
        expectTop(3, 3);
        expectQuit();
        EXPECT_EQ(listener.waitForEnd(), kCheckedOf("m5,m4"));
    };
    oneByOne(true);
    checkAgain(knownDate(3));
    oneByOne(false);
}

TEST_F(MailCheckerTest, ALogInTurnedDownForNowIsBusyNotAWrongPassword) {
    const std::vector<std::string> kBusy = {"starting bob@example.org", "failed busy",
                                            "finished bob@example.org", "done"};
    start(knownDate(1));
    logIn("-ERR [LOGIN-DELAY] wait\r\n", "+OK\r\nLOGIN-DELAY 600\r\n.\r\n");
    EXPECT_EQ(listener.waitForEnd(), kBusy);
    EXPECT_EQ(listener.lastProblem().retryAfter, 600s);
    EXPECT_TRUE(listener.lastProblem().mayPass);

    start(knownDate(1));
    ASSERT_TRUE(server.accept());
    logIn("-ERR [IN-USE] Do you have another POP session running?\r\n");
    EXPECT_EQ(listener.waitForEnd(), kBusy);
    EXPECT_EQ(listener.lastProblem().retryAfter, 0s);
}

// The sentence each kind of failure gives the user. An untrusted certificate's is the TLS
// layer's own, which ConnectionTestThreadTest shows against Dovecot.
TEST_F(MailCheckerTest, EachFailureSaysWhyInASentence) {
    TestSupport::StderrCapture quiet;
    const std::uint16_t closedPort = TestServers::freeLoopbackPort();
    struct Case {
        const char* name;
        std::function<void()> serve;
        CheckFailure kind;
        std::string reason;
    };
    const Case cases[] = {
        {"connect refused on a closed port", nullptr, CheckFailure::Connect,
         "Could not connect to 127.0.0.1:" + std::to_string(closedPort) + ": connection refused."},
        {"log-in refused with the server's words",
         [&] { logIn("-ERR [AUTH] Authentication failed.\r\n"); }, CheckFailure::Login,
         "The server refused the log-in: [AUTH] Authentication failed."},
        {"busy", [&] { logIn("-ERR [IN-USE] Mailbox locked\r\n"); }, CheckFailure::Busy,
         "The server asks to wait before the next log-in: [IN-USE] Mailbox locked."},
        {"no answer after STAT",
         [&] {
             logIn("+OK\r\n");
             expectAlone("STAT");
         },
         CheckFailure::Server, "No answer from the server within 1 s after STAT."},
        {"server closed the connection",
         [&] {
             logIn(3);
             expectTop(1, 1);
             expectAlone("TOP 3 0");
             server.hangUp();
         },
         CheckFailure::Server, "The server closed the connection before it answered TOP 3."},
    };
    for (const Case& sample : cases) {
        checker = std::make_unique<MailChecker>(listener, Pop3Limits{1s, 1h, 1h});
        checker->setWorkList({entry(sample.serve ? server.port() : closedPort, knownDate(1))});
        checker->start();
        if (sample.serve) {
            ASSERT_TRUE(server.accept());
            sample.serve();
        }
        listener.waitForEnd();
        EXPECT_EQ(listener.lastProblem().kind, sample.kind) << sample.name;
        EXPECT_EQ(listener.lastProblem().reason, sample.reason) << sample.name;
    }
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
    EXPECT_EQ(server.receiveLine(), "CAPA\r\n");
    server.say("-ERR\r\n");
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
