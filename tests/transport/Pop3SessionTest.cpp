// The POP3 session against a scripted server: the test plays the server line by line and
// checks exactly what the client sent.
#include "transport/Pop3Session.h"
#include "platform/WakeEvent.h"
#include "tests/servers/ScriptedPop3Server.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::chrono_literals;
using TestServers::inBackground;
using TestServers::ScriptedPop3Server;

// Limits no test reaches: a result that comes is not the work of a time-out.
constexpr Pop3Limits kPatient{1h, 1h, 1h};

class Pop3SessionTest : public testing::Test {
protected:
    void connect(Pop3Session& client) {
        auto connected = inBackground([&] { return client.connect(); });
        server.say("+OK POP3 ready\r\n");
        ASSERT_TRUE(connected.get());
    }

    // One exchange: the client runs `command` on its own thread, the server checks the line
    // it sent and answers; the command's result is returned.
    template <typename Command>
    bool exchange(Command command, const std::string& sent, const std::string& answer) {
        auto result = inBackground(command);
        EXPECT_EQ(server.receiveLine(), sent);
        server.say(answer);
        return result.get();
    }

    ScriptedPop3Server server;
    Pop3Session session{"127.0.0.1", server.port(), false, -1, kPatient};
    int count = 0;
    long long size = 0;
    std::string header;
};

} // namespace

TEST_F(Pop3SessionTest, EachCommandSendsItsExactBytesAndReadsItsReply) {
    connect(session);
    EXPECT_TRUE(exchange([&] { return session.user("bob"); }, "USER bob\r\n", "+OK\r\n"));
    EXPECT_TRUE(exchange([&] { return session.pass("s3cret word"); }, "PASS s3cret word\r\n",
                         "+OK logged in\r\n"));
    EXPECT_TRUE(exchange([&] { return session.stat(count, size); }, "STAT\r\n", "+OK 2 320\r\n"));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(size, 320);
    EXPECT_TRUE(exchange([&] { return session.top(2, 0, header); }, "TOP 2 0\r\n",
                         "+OK headers follow\r\nSubject: hello\r\n..dotted\r\n\r\n.\r\n"));
    EXPECT_EQ(header, "Subject: hello\r\n..dotted\r\n\r\n.\r\n");
    EXPECT_TRUE(exchange([&] { return session.quit(); }, "QUIT\r\n", "+OK bye\r\n"));
    EXPECT_EQ(session.failure(), Pop3Failure::None);

    session.disconnect();
    EXPECT_TRUE(server.waitForClose());
    EXPECT_EQ(server.unreadBytes(), "");
}

TEST_F(Pop3SessionTest, ALoginWithALineBreakIsNeverSent) {
    connect(session);
    EXPECT_FALSE(session.user("bob\r\nDELE 1"));
    EXPECT_EQ(session.failure(), Pop3Failure::Refused);
    EXPECT_TRUE(exchange([&] { return session.user("bob"); }, "USER bob\r\n", "+OK\r\n"));
    EXPECT_FALSE(session.pass("secret\nDELE 1"));
    EXPECT_EQ(session.failure(), Pop3Failure::Refused);
    session.disconnect();
    EXPECT_TRUE(server.waitForClose());
    EXPECT_EQ(server.unreadBytes(), "");
}

TEST_F(Pop3SessionTest, ARefusedUserOrPasswordIsToldApartFromABrokenConnection) {
    connect(session);
    EXPECT_FALSE(exchange([&] { return session.user("nobody-here"); }, "USER nobody-here\r\n",
                          "-ERR no such user\r\n"));
    EXPECT_EQ(session.failure(), Pop3Failure::Refused);

    EXPECT_TRUE(exchange([&] { return session.user("bob"); }, "USER bob\r\n", "+OK\r\n"));
    EXPECT_FALSE(exchange([&] { return session.pass("wrong"); }, "PASS wrong\r\n",
                          "-ERR [AUTH] Authentication failed.\r\n"));
    EXPECT_EQ(session.failure(), Pop3Failure::Refused);

    auto pass = inBackground([&] { return session.pass("again"); });
    EXPECT_EQ(server.receiveLine(), "PASS again\r\n");
    server.hangUp();
    EXPECT_FALSE(pass.get());
    EXPECT_EQ(session.failure(), Pop3Failure::Closed);
}

TEST_F(Pop3SessionTest, ANegativeGreetingFailsTheConnectionAndClosesIt) {
    auto connected = inBackground([&] { return session.connect(); });
    server.say("-ERR too many connections\r\n");
    EXPECT_FALSE(connected.get());
    EXPECT_EQ(session.failure(), Pop3Failure::Refused);
    EXPECT_TRUE(server.waitForClose());

    count = 7;
    EXPECT_FALSE(session.stat(count, size));
    EXPECT_EQ(session.failure(), Pop3Failure::Closed);
    EXPECT_EQ(count, 7);
}

TEST_F(Pop3SessionTest, LinesAreAssembledAcrossWritesWhereverTheyAreCut) {
    auto connected = inBackground([&] { return session.connect(); });
    server.say("+OK ready\r");
    server.say("\n");
    EXPECT_TRUE(connected.get());

    auto top = inBackground([&] { return session.top(1, 0, header); });
    EXPECT_EQ(server.receiveLine(), "TOP 1 0\r\n");
    server.say("+OK\r\nSubject: split");
    server.say("\r\nFrom: a@b\r\n\r\n");
    server.say(".\r");
    server.say("\n");
    EXPECT_TRUE(top.get());
    EXPECT_EQ(header, "Subject: split\r\nFrom: a@b\r\n\r\n.\r\n");
}

TEST_F(Pop3SessionTest, StatNumbersAreReadAfterOkInAnyCaseAndOnlyWhenTheyFit) {
    connect(session);
    const auto stat = [&](const std::string& answer) {
        return exchange([&] { return session.stat(count, size); }, "STAT\r\n", answer);
    };
    EXPECT_TRUE(stat("+OK\r\n"));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(size, 0);
    EXPECT_TRUE(stat("+ok 3 120\r\n"));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(size, 120);
    EXPECT_TRUE(stat("+OK 2147483647 4294967296\r\n"));
    EXPECT_EQ(count, 2147483647);
    EXPECT_EQ(size, 4294967296LL);

    count = 5;
    size = 9;
    EXPECT_TRUE(stat("+OK 2147483648 1\r\n"));
    EXPECT_TRUE(stat("+OK -3 1\r\n"));
    EXPECT_EQ(count, 5);
    EXPECT_EQ(size, 9);
    EXPECT_TRUE(stat("+OK 4 many\r\n"));
    EXPECT_EQ(count, 4);
    EXPECT_EQ(size, 9);
}

TEST_F(Pop3SessionTest, ARefusedTopFailsAtOnceAndLeavesTheHeaderAlone) {
    connect(session);
    header = "untouched";
    EXPECT_FALSE(exchange([&] { return session.top(9, 0, header); }, "TOP 9 0\r\n",
                          "-ERR no such message\r\n"));
    EXPECT_EQ(session.failure(), Pop3Failure::Refused);
    EXPECT_EQ(header, "untouched");
    // Still in step.
    EXPECT_TRUE(exchange([&] { return session.quit(); }, "QUIT\r\n", "+OK\r\n"));
}

TEST_F(Pop3SessionTest, ASilentServerIsGivenUpAfterTheInactivityLimit) {
    Pop3Session hasty("127.0.0.1", server.port(), false, -1, {200ms, 1h, 1h});
    EXPECT_FALSE(hasty.connect());
    EXPECT_EQ(hasty.failure(), Pop3Failure::NoReply);
    EXPECT_TRUE(server.waitForClose());
}

TEST_F(Pop3SessionTest, AHeaderWhoseDotLineNeverComesIsKeptAndTheSessionEnds) {
    Pop3Session hasty("127.0.0.1", server.port(), false, -1, {500ms, 1h, 1h});
    connect(hasty);
    EXPECT_TRUE(exchange([&] { return hasty.top(1, 0, header); }, "TOP 1 0\r\n",
                         "+OK\r\nSubject: partial\r\nFrom: some"));
    EXPECT_EQ(header, "Subject: partial\r\n");
    EXPECT_EQ(hasty.failure(), Pop3Failure::None);

    // The rest of that reply may still come and would pass for the next one: nothing more is
    // sent on this connection.
    server.say("thing\r\n.\r\n");
    EXPECT_FALSE(hasty.top(2, 0, header));
    EXPECT_EQ(hasty.failure(), Pop3Failure::Closed);
    EXPECT_EQ(header, "Subject: partial\r\n");
    hasty.disconnect();
    EXPECT_TRUE(server.waitForClose());
    EXPECT_EQ(server.unreadBytes(), "");
}

TEST_F(Pop3SessionTest, AConnectionClosedInTheMiddleOfAHeaderKeepsWhatCame) {
    connect(session);
    auto top = inBackground([&] { return session.top(3, 0, header); });
    EXPECT_EQ(server.receiveLine(), "TOP 3 0\r\n");
    server.say("+OK\r\nSubject: cut\r\n");
    server.hangUp();
    EXPECT_TRUE(top.get());
    EXPECT_EQ(header, "Subject: cut\r\n");
    EXPECT_FALSE(session.quit());
    EXPECT_EQ(session.failure(), Pop3Failure::Closed);
}

TEST_F(Pop3SessionTest, AServerThatTricklesIsCutOffByTheReplyLimit) {
    // Each byte comes well within the inactivity limit; only the limit on the whole reply
    // can end this.
    Pop3Session hasty("127.0.0.1", server.port(), false, -1, {1h, 300ms, 1h});
    auto connected = inBackground([&] { return hasty.connect(); });
    server.say("+OK ");
    while (connected.wait_for(10ms) != std::future_status::ready)
        server.say("z");
    EXPECT_FALSE(connected.get());
    EXPECT_EQ(hasty.failure(), Pop3Failure::NoReply);
}

TEST_F(Pop3SessionTest, ATenMegabyteLineFailsTheCommandAndIsNotReadToTheEnd) {
    connect(session);
    header = "untouched";
    auto top = inBackground([&] { return session.top(1, 0, header); });
    EXPECT_EQ(server.receiveLine(), "TOP 1 0\r\n");
    const std::string flood = "+OK\r\n" + std::string(10 * 1024 * 1024, 'x');
    auto sent = inBackground([&] { return server.say(flood); });
    EXPECT_FALSE(top.get());
    EXPECT_EQ(session.failure(), Pop3Failure::TooLong);
    EXPECT_EQ(header, "untouched");
    // The client stopped reading there; the server cannot get the rest out before it leaves.
    session.disconnect();
    EXPECT_LT(sent.get(), flood.size());
    EXPECT_FALSE(session.quit());
    EXPECT_EQ(session.failure(), Pop3Failure::Closed);
}

TEST_F(Pop3SessionTest, APlainServerOnTheTlsPortIsATlsFailure) {
    Pop3Session secure("localhost", server.port(), true, -1, kPatient);
    auto connected = inBackground([&] { return secure.connect(); });
    server.say("+OK plain POP3 here\r\n");
    EXPECT_FALSE(connected.get());
    EXPECT_EQ(secure.failure(), Pop3Failure::Tls);

    Pop3Session unknown("no-such-host.invalid", server.port(), false, -1, kPatient);
    EXPECT_FALSE(unknown.connect());
    EXPECT_EQ(unknown.failure(), Pop3Failure::Connect);
}

TEST_F(Pop3SessionTest, AStopRequestWakesAWaitForAReplyAtOnce) {
    Platform::WakeEvent stop;
    Pop3Session stoppable("127.0.0.1", server.port(), false, stop.descriptor(), kPatient);
    connect(stoppable);
    auto top = inBackground([&] { return stoppable.top(1, 0, header); });
    EXPECT_EQ(server.receiveLine(), "TOP 1 0\r\n");
    stop.signal();
    EXPECT_FALSE(top.get());
    EXPECT_EQ(stoppable.failure(), Pop3Failure::Stopped);
    // Stopped for good: nothing more goes out.
    EXPECT_FALSE(stoppable.quit());
    stoppable.disconnect();
    EXPECT_TRUE(server.waitForClose());
    EXPECT_EQ(server.unreadBytes(), "");
}

TEST_F(Pop3SessionTest, AStopRequestWakesATlsHandshake) {
    Platform::WakeEvent stop;
    Pop3Session stoppable("localhost", server.port(), true, stop.descriptor(), kPatient);
    auto connected = inBackground([&] { return stoppable.connect(); });
    // The client's hello arriving shows the handshake is under way.
    EXPECT_NE(server.receiveSome(), "");
    stop.signal();
    EXPECT_FALSE(connected.get());
    EXPECT_EQ(stoppable.failure(), Pop3Failure::Stopped);
}

TEST_F(Pop3SessionTest, AStopRequestEndsAConnectThatIsNotAnswered) {
    TestServers::UnansweredPort unanswered;
    Platform::WakeEvent stop;
    Pop3Session stoppable("127.0.0.1", unanswered.port(), false, stop.descriptor(), kPatient);
    auto connected = inBackground([&] { return stoppable.connect(); });
    stop.signal();
    EXPECT_FALSE(connected.get());
    EXPECT_EQ(stoppable.failure(), Pop3Failure::Stopped);
}

TEST_F(Pop3SessionTest, AStopRequestEndsTheNameLookup) {
    Platform::WakeEvent stop;
    stop.signal();
    Pop3Session stoppable("localhost", server.port(), false, stop.descriptor(), kPatient);
    EXPECT_FALSE(stoppable.connect());
    EXPECT_EQ(stoppable.failure(), Pop3Failure::Stopped);
}
