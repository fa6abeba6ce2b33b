// The POP3 session against a scripted server: the test plays the server line by line and
// checks exactly what the client sent.
#include "transport/Pop3Session.h"
#include "platform/WakeEvent.h"
#include "tests/servers/ScriptedPop3Server.h"
#include "tests/support/StderrCapture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::chrono_literals;
using TestServers::inBackground;
using TestServers::ScriptedPop3Server;

// Limits no test reaches: a result that comes is not the work of a time-out.
constexpr Pop3Limits kPatient{1h, 1h, 1h, Pop3Reply::kDefaultSizeLimit};

class Pop3SessionTest : public testing::Test {
protected:
    void connect(Pop3Session& session) {
        auto connected = inBackground([&] { return session.connect(); });
        server.say("+OK POP3 ready\r\n");
        ASSERT_TRUE(connected.get());
    }

    ScriptedPop3Server server;
};

} // namespace

TEST_F(Pop3SessionTest, EachCommandSendsItsExactBytesAndReadsItsReply) {
    Pop3Session session("127.0.0.1", server.port(), false, -1, kPatient);
    connect(session);

    auto user = inBackground([&] { return session.user("bob"); });
    EXPECT_EQ(server.receiveLine(), "USER bob\r\n");
    server.say("+OK\r\n");
    EXPECT_TRUE(user.get());

    auto pass = inBackground([&] { return session.pass("s3cret word"); });
    EXPECT_EQ(server.receiveLine(), "PASS s3cret word\r\n");
    server.say("+OK logged in\r\n");
    EXPECT_TRUE(pass.get());

    int count = 0;
    long long size = 0;
    auto stat = inBackground([&] { return session.stat(count, size); });
    EXPECT_EQ(server.receiveLine(), "STAT\r\n");
    server.say("+OK 2 320\r\n");
    EXPECT_TRUE(stat.get());
    EXPECT_EQ(count, 2);
    EXPECT_EQ(size, 320);

    std::string header;
    auto top = inBackground([&] { return session.top(2, 0, header); });
    EXPECT_EQ(server.receiveLine(), "TOP 2 0\r\n");
    server.say("+OK headers follow\r\nSubject: hello\r\n..dotted\r\n\r\n.\r\n");
    EXPECT_TRUE(top.get());
    EXPECT_EQ(header, "Subject: hello\r\n..dotted\r\n\r\n.\r\n");

    auto quit = inBackground([&] { return session.quit(); });
    EXPECT_EQ(server.receiveLine(), "QUIT\r\n");
    server.say("+OK bye\r\n");
    EXPECT_TRUE(quit.get());
    EXPECT_EQ(session.failure(), Pop3Failure::None);

    session.disconnect();
    EXPECT_TRUE(server.waitForClose());
    EXPECT_EQ(server.unreadBytes(), "");
}

TEST_F(Pop3SessionTest, ARefusedUserOrPasswordIsTellableFromABrokenConnection) {
    Pop3Session session("127.0.0.1", server.port(), false, -1, kPatient);
    connect(session);
    auto user = inBackground([&] { return session.user("nobody-here"); });
    EXPECT_EQ(server.receiveLine(), "USER nobody-here\r\n");
    server.say("-ERR no such user\r\n");
    EXPECT_FALSE(user.get());
    EXPECT_EQ(session.failure(), Pop3Failure::Refused);

    user = inBackground([&] { return session.user("bob"); });
    EXPECT_EQ(server.receiveLine(), "USER bob\r\n");
    server.say("+OK\r\n");
    EXPECT_TRUE(user.get());
    auto pass = inBackground([&] { return session.pass("wrong"); });
    EXPECT_EQ(server.receiveLine(), "PASS wrong\r\n");
    server.say("-ERR [AUTH] Authentication failed.\r\n");
    EXPECT_FALSE(pass.get());
    EXPECT_EQ(session.failure(), Pop3Failure::Refused);

    pass = inBackground([&] { return session.pass("again"); });
    EXPECT_EQ(server.receiveLine(), "PASS again\r\n");
    server.hangUp();
    EXPECT_FALSE(pass.get());
    EXPECT_EQ(session.failure(), Pop3Failure::Closed);
}

TEST_F(Pop3SessionTest, ANegativeGreetingFailsTheConnectionAndClosesIt) {
    Pop3Session session("127.0.0.1", server.port(), false, -1, kPatient);
    auto connected = inBackground([&] { return session.connect(); });
    server.say("-ERR too many connections\r\n");
    EXPECT_FALSE(connected.get());
    EXPECT_EQ(session.failure(), Pop3Failure::Refused);
    EXPECT_TRUE(server.waitForClose());

    int count = 7;
    long long size = 0;
    EXPECT_FALSE(session.stat(count, size));
    EXPECT_EQ(session.failure(), Pop3Failure::Closed);
    EXPECT_EQ(count, 7);
}

TEST_F(Pop3SessionTest, LowerCaseOkIsPositiveAndKeepsItsNumbers) {
    Pop3Session session("127.0.0.1", server.port(), false, -1, kPatient);
    auto connected = inBackground([&] { return session.connect(); });
    server.say("+ok hello\r\n");
    EXPECT_TRUE(connected.get());

    int count = 0;
    long long size = 0;
    auto stat = inBackground([&] { return session.stat(count, size); });
    EXPECT_EQ(server.receiveLine(), "STAT\r\n");
    server.say("+ok 3 120\r\n");
    EXPECT_TRUE(stat.get());
    EXPECT_EQ(count, 3);
    EXPECT_EQ(size, 120);
}

TEST_F(Pop3SessionTest, LinesAreAssembledAcrossWritesWhereverTheyAreCut) {
    Pop3Session session("127.0.0.1", server.port(), false, -1, kPatient);
    auto connected = inBackground([&] { return session.connect(); });
    server.say("+OK ready\r");
    server.say("\n");
    EXPECT_TRUE(connected.get());

    std::string header;
    auto top = inBackground([&] { return session.top(1, 0, header); });
    EXPECT_EQ(server.receiveLine(), "TOP 1 0\r\n");
    server.say("+OK\r\nSubject: split");
    server.say("\r\nFrom: a@b\r\n\r\n");
    server.say(".\r");
    server.say("\n");
    EXPECT_TRUE(top.get());
    EXPECT_EQ(header, "Subject: split\r\nFrom: a@b\r\n\r\n.\r\n");
}

TEST_F(Pop3SessionTest, StatNumbersThatAreMissingOrTooLargeLeaveTheCountsAlone) {
    Pop3Session session("127.0.0.1", server.port(), false, -1, kPatient);
    connect(session);
    const auto stat = [&](const std::string& answer, int& count, long long& size) {
        auto asked = inBackground([&] { return session.stat(count, size); });
        EXPECT_EQ(server.receiveLine(), "STAT\r\n");
        server.say(answer);
        return asked.get();
    };

    int count = 0;
    long long size = 0;
    EXPECT_TRUE(stat("+OK\r\n", count, size));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(size, 0);

    EXPECT_TRUE(stat("+OK 2147483647 4294967296\r\n", count, size));
    EXPECT_EQ(count, 2147483647);
    EXPECT_EQ(size, 4294967296LL);

    count = 5;
    size = 9;
    EXPECT_TRUE(stat("+OK 2147483648 1\r\n", count, size));
    EXPECT_EQ(count, 5);
    EXPECT_EQ(size, 9);
    EXPECT_TRUE(stat("+OK -3 1\r\n", count, size));
    EXPECT_EQ(count, 5);
    EXPECT_TRUE(stat("+OK 4 many\r\n", count, size));
    EXPECT_EQ(count, 4);
    EXPECT_EQ(size, 9);
}

TEST_F(Pop3SessionTest, ARefusedTopFailsAtOnceAndLeavesTheHeaderAlone) {
    Pop3Session session("127.0.0.1", server.port(), false, -1, kPatient);
    connect(session);
    std::string header = "untouched";
    auto top = inBackground([&] { return session.top(9, 0, header); });
    EXPECT_EQ(server.receiveLine(), "TOP 9 0\r\n");
    server.say("-ERR no such message\r\n");
    EXPECT_FALSE(top.get());
    EXPECT_EQ(session.failure(), Pop3Failure::Refused);
    EXPECT_EQ(header, "untouched");

    // The dialogue is still in step.
    auto quit = inBackground([&] { return session.quit(); });
    EXPECT_EQ(server.receiveLine(), "QUIT\r\n");
    server.say("+OK\r\n");
    EXPECT_TRUE(quit.get());
}

TEST_F(Pop3SessionTest, ASilentServerIsGivenUpAfterTheInactivityLimit) {
    Pop3Session session("127.0.0.1", server.port(), false, -1, {200ms, 1h, 1h});
    EXPECT_FALSE(session.connect());
    EXPECT_EQ(session.failure(), Pop3Failure::NoReply);
    EXPECT_TRUE(server.waitForClose());
}

TEST_F(Pop3SessionTest, AHeaderWhoseDotLineNeverComesIsKeptAndTheSessionEnds) {
    Pop3Session hasty("127.0.0.1", server.port(), false, -1, {500ms, 1h, 1h});
    connect(hasty);

    std::string header;
    auto top = inBackground([&] { return hasty.top(1, 0, header); });
    EXPECT_EQ(server.receiveLine(), "TOP 1 0\r\n");
    server.say("+OK\r\nSubject: partial\r\nFrom: some");
    EXPECT_TRUE(top.get());
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
    Pop3Session session("127.0.0.1", server.port(), false, -1, kPatient);
    connect(session);
    std::string header;
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
    Pop3Session session("127.0.0.1", server.port(), false, -1, {1h, 300ms, 1h});
    auto connected = inBackground([&] { return session.connect(); });
    server.say("+OK ");
    while (connected.wait_for(10ms) != std::future_status::ready)
        server.say("z");
    EXPECT_FALSE(connected.get());
    EXPECT_EQ(session.failure(), Pop3Failure::NoReply);
}

TEST_F(Pop3SessionTest, ATenMegabyteLineFailsTheCommandAndIsNotReadToTheEnd) {
    Pop3Session session("127.0.0.1", server.port(), false, -1, kPatient);
    connect(session);
    std::string header = "untouched";
    auto top = inBackground([&] { return session.top(1, 0, header); });
    EXPECT_EQ(server.receiveLine(), "TOP 1 0\r\n");
    const std::string flood = "+OK\r\n" + std::string(10 * 1024 * 1024, 'x');
    auto sent = inBackground([&] { return server.say(flood); });
    EXPECT_FALSE(top.get());
    EXPECT_EQ(session.failure(), Pop3Failure::TooLong);
    EXPECT_EQ(header, "untouched");
    // The client stops reading there; the server cannot get the rest out until it leaves.
    session.disconnect();
    EXPECT_LT(sent.get(), flood.size());
    EXPECT_FALSE(session.quit());
    EXPECT_EQ(session.failure(), Pop3Failure::Closed);
}

TEST_F(Pop3SessionTest, APlainServerOnTheTlsPortIsATlsFailure) {
    Pop3Session session("localhost", server.port(), true, -1, kPatient);
    TestSupport::StderrCapture capture;
    auto connected = inBackground([&] { return session.connect(); });
    server.say("+OK plain POP3 here\r\n");
    EXPECT_FALSE(connected.get());
    EXPECT_EQ(session.failure(), Pop3Failure::Tls);
    EXPECT_NE(capture.text().find("Vusk: TLS handshake failed"), std::string::npos);
}

TEST_F(Pop3SessionTest, ARefusedConnectionIsAConnectFailure) {
    std::uint16_t closedPort;
    {
        ScriptedPop3Server gone;
        closedPort = gone.port();
    }
    Pop3Session session("127.0.0.1", closedPort, false, -1, kPatient);
    EXPECT_FALSE(session.connect());
    EXPECT_EQ(session.failure(), Pop3Failure::Connect);
    Pop3Session unknown("no-such-host.invalid", server.port(), false, -1, kPatient);
    EXPECT_FALSE(unknown.connect());
    EXPECT_EQ(unknown.failure(), Pop3Failure::Connect);
}

TEST_F(Pop3SessionTest, AStopRequestWakesAWaitForAReplyAtOnce) {
    Platform::WakeEvent stop;
    Pop3Session session("127.0.0.1", server.port(), false, stop.descriptor(), kPatient);
    connect(session);
    std::string header;
    auto top = inBackground([&] { return session.top(1, 0, header); });
    EXPECT_EQ(server.receiveLine(), "TOP 1 0\r\n");
    stop.signal();
    EXPECT_FALSE(top.get());
    EXPECT_EQ(session.failure(), Pop3Failure::Stopped);
    // Stopped for good: nothing more goes out.
    EXPECT_FALSE(session.quit());
    session.disconnect();
    EXPECT_TRUE(server.waitForClose());
    EXPECT_EQ(server.unreadBytes(), "");
}

TEST_F(Pop3SessionTest, AStopRequestWakesATlsHandshake) {
    Platform::WakeEvent stop;
    Pop3Session session("localhost", server.port(), true, stop.descriptor(), kPatient);
    auto connected = inBackground([&] { return session.connect(); });
    // The client's hello arriving shows the handshake is under way.
    EXPECT_NE(server.receiveSome(), "");
    stop.signal();
    EXPECT_FALSE(connected.get());
    EXPECT_EQ(session.failure(), Pop3Failure::Stopped);
}

TEST_F(Pop3SessionTest, AStopRequestEndsAConnectThatIsNotAnswered) {
    TestServers::UnansweredPort unanswered;
    Platform::WakeEvent stop;
    Pop3Session session("127.0.0.1", unanswered.port(), false, stop.descriptor(), kPatient);
    auto connected = inBackground([&] { return session.connect(); });
    stop.signal();
    EXPECT_FALSE(connected.get());
    EXPECT_EQ(session.failure(), Pop3Failure::Stopped);
}
