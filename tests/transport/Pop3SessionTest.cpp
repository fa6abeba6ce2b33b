// The POP3 session against a scripted server: the test plays the server line by line and
// checks exactly what the client sent.
#include "transport/Pop3Session.h"
#include "platform/WakeEvent.h"
#include "tests/servers/ScriptedPop3Server.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using TestServers::inBackground;
using TestServers::ScriptedPop3Server;

// Limits no test reaches: a result that comes is not the work of a time-out.
constexpr Pop3Limits kPatient{1h, 1h, 1h};

class Pop3SessionTest : public testing::Test {
protected:
    // Greeting and CAPA; a server that does not know CAPA by default.
    void connect(Pop3Session& client, const std::string& capabilities = "-ERR unknown\r\n") {
        auto connected = inBackground([&] { return client.connect(); });
        server.say("+OK POP3 ready\r\n");
        EXPECT_EQ(server.receiveLine(), "CAPA\r\n");
        server.say(capabilities);
        ASSERT_TRUE(connected.get());
    }

    // USER and PASS, one exchange each.
    bool logIn(Pop3Session& client, const std::string& userAnswer, const std::string& passAnswer) {
        auto login = inBackground([&] { return client.logIn("bob", "s3cret word"); });
        EXPECT_EQ(server.receiveLine(), "USER bob\r\n");
        server.say(userAnswer);
        if (userAnswer.starts_with("+OK")) {
            EXPECT_EQ(server.receiveLine(), "PASS s3cret word\r\n");
            server.say(passAnswer);
        }
        return login.get();
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
    EXPECT_TRUE(logIn(session, "+OK\r\n", "+OK logged in\r\n"));
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
    EXPECT_FALSE(session.logIn("bob\r\nDELE 1", "secret"));
    EXPECT_EQ(session.failure(), Pop3Failure::Refused);
    EXPECT_FALSE(session.logIn("bob", "secret\nDELE 1"));
    EXPECT_EQ(session.failure(), Pop3Failure::Refused);
    session.disconnect();
    EXPECT_TRUE(server.waitForClose());
    EXPECT_EQ(server.unreadBytes(), "");
}

TEST_F(Pop3SessionTest, ARefusedUserOrPasswordIsToldApartFromABrokenConnection) {
    connect(session);
    // No PASS follows a refused USER: the next line is the next login's USER.
    EXPECT_FALSE(logIn(session, "-ERR no such user\r\n", ""));
    EXPECT_EQ(session.failure(), Pop3Failure::Refused);
    EXPECT_FALSE(logIn(session, "+OK\r\n", "-ERR [AUTH] Authentication failed.\r\n"));
    EXPECT_EQ(session.failure(), Pop3Failure::Refused);

    auto login = inBackground([&] { return session.logIn("bob", "again"); });
    EXPECT_EQ(server.receiveLine(), "USER bob\r\n");
    server.say("+OK\r\n");
    EXPECT_EQ(server.receiveLine(), "PASS again\r\n");
    server.hangUp();
    EXPECT_FALSE(login.get());
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
    EXPECT_EQ(server.receiveLine(), "CAPA\r\n");
    server.say("-ERR\r\n");
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
    EXPECT_TRUE(stat("+ok 3 120\r\n"));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(size, 120);
    EXPECT_TRUE(stat("+OK 2147483647 4294967296\r\n"));
    EXPECT_EQ(count, 2147483647);
    EXPECT_EQ(size, 4294967296LL);

    // Without a count the mailbox cannot be walked; the size is never needed.
    count = 5;
    size = 9;
    for (const char* countless : {"+OK\r\n", "+OK 2147483648 1\r\n", "+OK -3 1\r\n"}) {
        EXPECT_FALSE(stat(countless)) << countless;
        EXPECT_EQ(session.failure(), Pop3Failure::Malformed);
    }
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

TEST_F(Pop3SessionTest, AHeaderWhoseDotLineNeverComesFailsAndTheSessionEnds) {
    Pop3Session hasty("127.0.0.1", server.port(), false, -1, {500ms, 1h, 1h});
    connect(hasty);
    header = "untouched";
    EXPECT_FALSE(exchange([&] { return hasty.top(1, 0, header); }, "TOP 1 0\r\n",
                          "+OK\r\nSubject: partial\r\nFrom: some"));
    EXPECT_EQ(header, "untouched");
    EXPECT_EQ(hasty.failure(), Pop3Failure::NoReply);

    // The rest of that reply may still come and would pass for the next one: nothing more is
    // sent on this connection.
    server.say("thing\r\n.\r\n");
    EXPECT_FALSE(hasty.top(2, 0, header));
    EXPECT_EQ(hasty.failure(), Pop3Failure::Closed);
    EXPECT_EQ(header, "untouched");
    hasty.disconnect();
    EXPECT_TRUE(server.waitForClose());
    EXPECT_EQ(server.unreadBytes(), "");
}

TEST_F(Pop3SessionTest, AConnectionClosedInTheMiddleOfAHeaderFailsIt) {
    connect(session);
    auto top = inBackground([&] { return session.top(3, 0, header); });
    EXPECT_EQ(server.receiveLine(), "TOP 3 0\r\n");
    server.say("+OK\r\nSubject: cut\r\n");
    server.hangUp();
    EXPECT_FALSE(top.get());
    EXPECT_EQ(session.failure(), Pop3Failure::Closed);
    EXPECT_EQ(header, "");
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
    Pop3Session secure("127.0.0.1", server.port(), true, -1, kPatient);
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
    Pop3Session stoppable("127.0.0.1", server.port(), true, stop.descriptor(), kPatient);
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

TEST_F(Pop3SessionTest, APipeliningServerGetsWhatWasAskedForInOneWrite) {
    connect(session, "+OK\r\nTOP\r\npipelining\r\nUTF8 USER\r\nSASL PLAIN\r\n.\r\n");
    EXPECT_TRUE(session.capabilities().top);
    EXPECT_TRUE(session.capabilities().pipelining);
    EXPECT_TRUE(session.capabilities().utf8);

    // The server answers nothing before it has every line: the client must not wait. Nothing
    // goes out behind PASS before its reply, as some servers drop what came meanwhile.
    ASSERT_TRUE(session.askLogIn("bob", "secret"));
    session.askStat();
    auto login = inBackground([&] { return session.readLogIn(); });
    for (const char* line : {"UTF8\r\n", "USER bob\r\n", "PASS secret\r\n"})
        EXPECT_EQ(server.receiveLine(), line);
    EXPECT_EQ(server.unreadBytes(), "");
    server.say("+OK UTF8 enabled\r\n+OK\r\n+OK\r\n");
    EXPECT_TRUE(login.get());
    EXPECT_TRUE(
        exchange([&] { return session.readStat(count, size); }, "STAT\r\n", "+OK 3 300\r\n"));
    EXPECT_EQ(count, 3);

    // Replies are read in the order asked, a refusal among them included; unread ones are
    // dropped and the session stays in step.
    for (int number = 1; number <= 3; ++number)
        session.askTop(number, 0);
    auto first = inBackground([&] { return session.readTop(header); });
    for (const char* line : {"TOP 1 0\r\n", "TOP 2 0\r\n", "TOP 3 0\r\n"})
        EXPECT_EQ(server.receiveLine(), line);
    server.say("+OK\r\nSubject: one\r\n\r\n.\r\n-ERR gone\r\n+OK\r\nSubject: three\r\n.\r\n");
    EXPECT_TRUE(first.get());
    EXPECT_EQ(header, "Subject: one\r\n\r\n.\r\n");
    EXPECT_FALSE(session.readTop(header));
    EXPECT_EQ(session.failure(), Pop3Failure::Refused);
    EXPECT_TRUE(session.dropUnread());
    EXPECT_TRUE(exchange([&] { return session.quit(); }, "QUIT\r\n", "+OK bye\r\n"));
}

TEST_F(Pop3SessionTest, WithoutPipeliningUtf8GoesOutAloneAndMayBeRefused) {
    connect(session, "+OK\r\nUTF8\r\n.\r\n");
    EXPECT_FALSE(session.capabilities().pipelining);
    auto login = inBackground([&] { return session.logIn("bob", "s3cret word"); });
    EXPECT_EQ(server.receiveLine(), "UTF8\r\n");
    server.say("-ERR not today\r\n");
    EXPECT_EQ(server.receiveLine(), "USER bob\r\n");
    server.say("+OK\r\n");
    EXPECT_EQ(server.receiveLine(), "PASS s3cret word\r\n");
    server.say("+OK\r\n");
    EXPECT_TRUE(login.get());

    // Asked-for commands not sent yet are never sent once dropped.
    session.askTop(1, 0);
    session.askTop(2, 0);
    EXPECT_TRUE(session.dropUnread());
    EXPECT_TRUE(exchange([&] { return session.quit(); }, "QUIT\r\n", "+OK\r\n"));
}

TEST_F(Pop3SessionTest, LoginRepliesMayComeLateButNotNever) {
    // A server slows a wrong password down past the usual limit; only the login limit applies.
    Pop3Session patient("127.0.0.1", server.port(), false, -1,
                        {100ms, 1h, 1h, Pop3Reply::kDefaultSizeLimit, 2s});
    connect(patient);
    auto login = inBackground([&] { return patient.logIn("bob", "wrong"); });
    EXPECT_EQ(server.receiveLine(), "USER bob\r\n");
    server.say("+OK\r\n");
    EXPECT_EQ(server.receiveLine(), "PASS wrong\r\n");
    std::this_thread::sleep_for(300ms);
    server.say("-ERR [AUTH] Authentication failed.\r\n");
    EXPECT_FALSE(login.get());
    EXPECT_EQ(patient.failure(), Pop3Failure::Refused);

    EXPECT_FALSE(patient.logIn("bob", "again"));
    EXPECT_EQ(patient.failure(), Pop3Failure::NoReply);
}
