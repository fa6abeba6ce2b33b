// The IMAP session against a scripted server, which plays the conversation line by line and
// checks exactly what the client sent, and against a real Dovecot over STARTTLS and over TLS.
#include "transport/ImapSession.h"
#include "platform/WakeEvent.h"
#include "tests/servers/DovecotServer.h"
#include "tests/servers/ScriptedPop3Server.h"
#include "tests/servers/TestCertificates.h"
#include "tests/support/StderrCapture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;
using TestServers::CertificateFiles;
using TestServers::DovecotServer;
using TestServers::inBackground;
using TestServers::ScriptedImapServer;
using TestServers::TestCertificates;
using Uids = std::vector<std::uint32_t>;

// Limits no test reaches: a result that comes is not the work of a time-out.
constexpr Pop3Limits kPatient{1h, 1h, 1h};

constexpr const char* kSection = "BODY[HEADER.FIELDS (FROM SUBJECT DATE MESSAGE-ID)]";
constexpr const char* kHeaderFetch =
    " (UID FLAGS INTERNALDATE BODY.PEEK[HEADER.FIELDS (FROM SUBJECT DATE MESSAGE-ID)])\r\n";

// Made once for the whole program: openssl takes a while for each certificate. Each test
// trusts the authority before any client thread starts (other tests trust their own).
const TestCertificates& certificates() {
    static const TestCertificates made;
    return made;
}

std::string literal(const std::string& text) {
    return "{" + std::to_string(text.size()) + "}\r\n" + text;
}

class ImapSessionTest : public testing::Test {
protected:
    void SetUp() override { certificates().trustAuthority(); }

    // Greeting, STARTTLS, and the capabilities asked for again once the connection is secure.
    void connect(ImapSession& client,
                 const std::string& capabilities = "IMAP4rev1 AUTH=PLAIN SASL-IR IDLE") {
        auto connected = inBackground([&] { return client.connect(); });
        EXPECT_TRUE(server.accept());
        server.say("* OK [CAPABILITY IMAP4rev1 STARTTLS LOGINDISABLED] ready\r\n");
        EXPECT_EQ(server.receiveLine(), "A1 STARTTLS\r\n");
        server.say("A1 OK Begin TLS negotiation now.\r\n");
        EXPECT_TRUE(server.startTls(certificates().localhost()));
        EXPECT_EQ(server.receiveLine(), "A2 CAPABILITY\r\n");
        server.say("* CAPABILITY " + capabilities + "\r\nA2 OK\r\n");
        EXPECT_TRUE(connected.get()) << client.failureReason();
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

    ScriptedImapServer server;
    ImapSession session{"127.0.0.1", server.port(), ImapSecurity::StartTls, -1, kPatient};
    ImapMailboxState state;
    Uids uids;
    std::vector<ImapMessage> messages;
};

} // namespace

TEST_F(ImapSessionTest, EachOperationSendsItsExactCommandAndReadsItsResponses) {
    connect(session);
    EXPECT_TRUE(session.capabilities().saslIr);
    EXPECT_TRUE(exchange([&] { return session.logIn("bob", "s3cret word"); },
                         "A3 AUTHENTICATE PLAIN AGJvYgBzM2NyZXQgd29yZA==\r\n",
                         "A3 OK [CAPABILITY IMAP4rev1 IDLE UIDPLUS] Logged in\r\n"));
    EXPECT_TRUE(session.capabilities().idle);
    EXPECT_FALSE(session.capabilities().authPlain);

    EXPECT_TRUE(exchange([&] { return session.examine("INBOX", state); },
                         "A4 EXAMINE \"INBOX\"\r\n",
                         "* FLAGS (\\Seen)\r\n* 2147483648 EXISTS\r\n* 0 RECENT\r\n"
                         "* OK [UIDVALIDITY 3857529045] UIDs valid\r\n"
                         "* OK [UIDNEXT 4294967295] Predicted next UID\r\n"
                         "* OK [ALERT] Mailbox nearly full\r\n"
                         "A4 OK [READ-ONLY] Examine completed.\r\n"));
    EXPECT_EQ(state.exists, 2147483648u);
    EXPECT_EQ(state.uidValidity, 3857529045u);
    EXPECT_EQ(state.uidNext, 4294967295u);
    EXPECT_EQ(session.alert(), "Mailbox nearly full");

    // A name with quotes goes as a literal, after the server's go-ahead.
    auto selected = inBackground([&] { return session.select("Sent \"2024\"", state); });
    EXPECT_EQ(server.receiveLine(), "A5 SELECT {11}\r\n");
    server.say("+ Ready\r\n");
    EXPECT_EQ(server.receiveLine(), "Sent \"2024\"\r\n");
    server.say("* 0 EXISTS\r\nA5 OK [READ-WRITE] Select completed.\r\n");
    EXPECT_TRUE(selected.get());
    EXPECT_EQ(state.exists, 0u);
    EXPECT_EQ(state.uidNext, 0u);

    // Results that came with news of a change are asked for again.
    auto search = inBackground([&] { return session.searchUnseen(uids); });
    EXPECT_EQ(server.receiveLine(), "A6 UID SEARCH UNSEEN\r\n");
    server.say("* SEARCH 9 3 7\r\n* 1 EXPUNGE\r\nA6 OK Search completed.\r\n");
    EXPECT_EQ(server.receiveLine(), "A7 UID SEARCH UNSEEN\r\n");
    server.say("* SEARCH 9 7 8\r\nA7 OK Search completed.\r\n");
    EXPECT_TRUE(search.get());
    EXPECT_EQ(uids, (Uids{7, 8, 9}));
    const auto store = [&] { return session.storeSeen({9, 7, 3, 8}); };
    EXPECT_TRUE(exchange(store, "A8 UID STORE 3,7:9 +FLAGS.SILENT (\\Seen)\r\n", "A8 OK\r\n"));
    EXPECT_TRUE(exchange([&] { return session.logout(); }, "A9 LOGOUT\r\n",
                         "* BYE Logging out\r\nA9 OK\r\n"));
    EXPECT_TRUE(server.waitForClose());
    EXPECT_EQ(server.unreadBytes(), "");
}

// A check waits for the server four times over TLS: the greeting, the log-in, the mailbox with
// its unseen messages, their headers with the goodbye.
TEST_F(ImapSessionTest, ExamineWithItsSearchAndTheLastFetchWithLogoutGoOutTogether) {
    connect(session);
    EXPECT_TRUE(exchange([&] { return session.logIn("bob", "pw"); },
                         "A3 AUTHENTICATE PLAIN AGJvYgBwdw==\r\n",
                         "A3 OK [CAPABILITY IMAP4rev1] In\r\n"));
    auto examined = inBackground([&] { return session.examine("INBOX", state, &uids); });
    EXPECT_EQ(server.receiveLine(), "A4 EXAMINE \"INBOX\"\r\n");
    EXPECT_EQ(server.receiveLine(), "A5 UID SEARCH UNSEEN\r\n");
    server.say("* 3 EXISTS\r\n* OK [UIDVALIDITY 7] x\r\nA4 OK\r\n* SEARCH 5 2\r\nA5 OK\r\n");
    EXPECT_TRUE(examined.get()) << session.failureReason();
    EXPECT_EQ(state.uidValidity, 7u);
    EXPECT_EQ(uids, (Uids{2, 5}));

    auto fetched = inBackground([&] { return session.fetchHeaders({5}, messages, true); });
    EXPECT_EQ(server.receiveLine(), std::string("A6 UID FETCH 5") + kHeaderFetch);
    EXPECT_EQ(server.receiveLine(), "A7 LOGOUT\r\n");
    server.say("* 3 FETCH (UID 5 FLAGS () INTERNALDATE \"01-Jan-2026 10:00:00 +0000\" " +
               std::string(kSection) + " " + literal("Subject: x\r\n\r\n") +
               ")\r\nA6 OK\r\n* BYE Logging out\r\n");
    server.hangUp();
    EXPECT_TRUE(fetched.get()) << session.failureReason();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].header, "Subject: x\r\n\r\n");

    // A refused EXAMINE fails as itself; the search's answer behind it is never taken for it.
    ImapSession other{"127.0.0.1", server.port(), ImapSecurity::StartTls, -1, kPatient};
    connect(other);
    EXPECT_TRUE(exchange([&] { return other.logIn("bob", "pw"); },
                         "A3 AUTHENTICATE PLAIN AGJvYgBwdw==\r\n",
                         "A3 OK [CAPABILITY IMAP4rev1] In\r\n"));
    auto refused = inBackground([&] { return other.examine("INBOX", state, &uids); });
    EXPECT_EQ(server.receiveLine(), "A4 EXAMINE \"INBOX\"\r\n");
    EXPECT_EQ(server.receiveLine(), "A5 UID SEARCH UNSEEN\r\n");
    server.say("A4 NO Mailbox doesn't exist\r\nA5 BAD No mailbox selected\r\n");
    EXPECT_FALSE(refused.get());
    EXPECT_EQ(other.failure(), ImapFailure::Refused);
    EXPECT_NE(other.failureReason().find("doesn't exist"), std::string::npos)
        << other.failureReason();
    EXPECT_FALSE(other.searchUnseen(uids));
    EXPECT_EQ(other.failure(), ImapFailure::Closed);
}

TEST_F(ImapSessionTest, AHeaderFetchTakesFieldsInAnyOrderLiteralsAndWhatComesBetween) {
    connect(session);
    const std::string section = kSection;
    const std::string one = "Subject: one\r\nFrom: a@b\r\n\r\n";
    const std::string two = "Subject: two\r\n\r\n";
    const std::string answer =
        "* 1 FETCH (UID 3 FLAGS () INTERNALDATE \"17-Jul-1996 02:44:25 -0700\" " + section + " " +
        literal(one) + ")\r\n" +
        // The server's news: flags without a UID, a delivery, a message in two parts.
        "* 2 FETCH (FLAGS (\\Seen))\r\n* 14 EXISTS\r\n* 2 FETCH (" + section + " " + literal(two) +
        " INTERNALDATE \" 1-Jan-2024 10:00:00 +0000\" RFC822.SIZE 99 UID 7 FLAGS (\\Answered "
        "\\Seen))\r\n* 3 FETCH (UID 9 FLAGS (\\Recent))\r\n* 3 FETCH (UID 9 " +
        section + " NIL)\r\n* 4 FETCH (UID 99 FLAGS ())\r\nA3 OK Fetch completed.\r\n";
    EXPECT_TRUE(exchange(
        [&] {
            return session.fetchHeaders({11, 9, 3, 7, 10}, messages);
        },
        std::string("A3 UID FETCH 3,7,9:11") + kHeaderFetch, answer));
    EXPECT_FALSE(session.fetchCut());
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].uid, 3u);
    EXPECT_FALSE(messages[0].seen);
    EXPECT_EQ(messages[0].internalDate, "17-Jul-1996 02:44:25 -0700");
    EXPECT_EQ(messages[0].header, one);
    EXPECT_EQ(messages[1].uid, 7u);
    EXPECT_TRUE(messages[1].seen);
    EXPECT_EQ(messages[1].internalDate, " 1-Jan-2024 10:00:00 +0000");
    EXPECT_EQ(messages[1].header, two);
    EXPECT_EQ(messages[2].uid, 9u);
    EXPECT_EQ(messages[2].header, "");
}

TEST_F(ImapSessionTest, AHeaderFetchStopsTakingMessagesAtTheChecksByteLimit) {
    Pop3Limits limits = kPatient;
    limits.checkBytes = 1000;
    ImapSession counted("127.0.0.1", server.port(), ImapSecurity::StartTls, -1, limits);
    connect(counted);
    ASSERT_LT(counted.bytesReceived(), limits.checkBytes);
    const std::string header = "Subject: " + std::string(1000, 'x') + "\r\n\r\n";
    const auto fetched = [&](int uid) {
        return "* " + std::to_string(uid) + " FETCH (UID " + std::to_string(uid) + " " + kSection +
               " " + literal(header) + ")\r\n";
    };
    EXPECT_TRUE(exchange(
        [&] {
            return counted.fetchHeaders({1, 2}, messages);
        },
        std::string("A3 UID FETCH 1:2") + kHeaderFetch, fetched(1) + fetched(2) + "A3 OK\r\n"));
    EXPECT_TRUE(counted.fetchCut());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].header, header);
    // What was still on its way is not read: the connection is gone.
    EXPECT_TRUE(server.waitForClose());
    EXPECT_FALSE(counted.searchUnseen(uids));
    EXPECT_EQ(counted.failure(), ImapFailure::Closed);
}

TEST_F(ImapSessionTest, WithoutAuthPlainTheLogInIsQuotedOrLiteralAndRefusalsAreToldApart) {
    connect(session, "IMAP4rev1");
    // A quote, a backslash and 8-bit bytes cannot be quoted: the literal waits for the server.
    auto login = inBackground([&] { return session.logIn("bob", "pa\"ss\\wörd"); });
    EXPECT_EQ(server.receiveLine(), "A3 LOGIN \"bob\" {11}\r\n");
    server.say("+ Ready for literal data\r\n");
    EXPECT_EQ(server.receiveLine(), "pa\"ss\\wörd\r\n");
    server.say("A3 NO [AUTHENTICATIONFAILED] Authentication failed.\r\n");
    EXPECT_FALSE(login.get());
    EXPECT_EQ(session.failure(), ImapFailure::Refused);
    EXPECT_EQ(session.failureReason(),
              "The server refused the log-in: [AUTHENTICATIONFAILED] Authentication failed.");

    EXPECT_FALSE(exchange([&] { return session.logIn("bob", "right"); },
                          "A4 LOGIN \"bob\" \"right\"\r\n", "A4 NO [UNAVAILABLE] Try later\r\n"));
    EXPECT_EQ(session.failure(), ImapFailure::Busy);

    // Neither a line break nor an IDLE the server does not offer goes out.
    EXPECT_FALSE(session.logIn("bob", "two\r\nlines"));
    EXPECT_EQ(session.failure(), ImapFailure::Refused);
    bool updated = true;
    EXPECT_FALSE(session.idle(1h, updated));
    EXPECT_EQ(session.failure(), ImapFailure::Refused);
    EXPECT_FALSE(updated);
    session.disconnect();
    EXPECT_TRUE(server.waitForClose());
    EXPECT_EQ(server.unreadBytes(), "");
}

TEST_F(ImapSessionTest, WithoutSaslIrAuthenticateWaitsForTheContinuation) {
    connect(session, "IMAP4rev1 AUTH=PLAIN LOGINDISABLED");
    auto login = inBackground([&] { return session.logIn("bob", "s3cret word"); });
    EXPECT_EQ(server.receiveLine(), "A3 AUTHENTICATE PLAIN\r\n");
    server.say("+ \r\n");
    EXPECT_EQ(server.receiveLine(), "AGJvYgBzM2NyZXQgd29yZA==\r\n");
    server.say("A3 OK Logged in\r\n");
    // What a server offers may change with the log-in; asked for when the OK did not say.
    EXPECT_EQ(server.receiveLine(), "A4 CAPABILITY\r\n");
    server.say("* CAPABILITY IMAP4rev1 IDLE\r\nA4 OK\r\n");
    EXPECT_TRUE(login.get());
    EXPECT_TRUE(session.capabilities().idle);
}

TEST(ImapSessionSecurity, ThePasswordIsNeverSentUnlessTheConnectionIsSecure) {
    struct Case {
        const char* name;
        // What the client sends next ("" for nothing, "TLS" for the handshake) and the answer.
        std::vector<std::pair<std::string, std::string>> script;
        ImapFailure connectFailure;
        ImapFailure logInFailure;
        const char* reason;
    };
    const std::string offer = "* OK [CAPABILITY IMAP4rev1 STARTTLS LOGINDISABLED] ready\r\n";
    const Case cases[] = {
        {"STARTTLS not offered",
         {{"", "* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN] ready\r\n"}},
         ImapFailure::NoTls,
         ImapFailure::Closed,
         "The server does not offer to make the connection secure (STARTTLS); nothing was sent "
         "to it."},
        {"STARTTLS refused",
         {{"", "* OK ready\r\n"},
          {"A1 CAPABILITY\r\n", "* CAPABILITY IMAP4rev1 STARTTLS\r\nA1 OK\r\n"},
          {"A2 STARTTLS\r\n", "A2 NO Not now\r\n"}},
         ImapFailure::NoTls,
         ImapFailure::Closed,
         "The server refused to make the connection secure: Not now."},
        {"logged in before STARTTLS",
         {{"", "* PREAUTH [CAPABILITY IMAP4rev1 STARTTLS] Welcome\r\n"}},
         ImapFailure::NoTls,
         ImapFailure::Closed,
         "The server logged in before the connection was secure, so it was not used."},
        {"plain text behind the OK to STARTTLS",
         {{"", offer},
          {"A1 STARTTLS\r\n", "A1 OK Begin\r\n* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN] hi\r\n"}},
         ImapFailure::Tls,
         ImapFailure::Closed,
         "The server sent more after agreeing to make the connection secure."},
        {"only LOGIN offered, and disabled",
         {{"", offer},
          {"A1 STARTTLS\r\n", "A1 OK Begin\r\n"},
          {"TLS", ""},
          {"A2 CAPABILITY\r\n", "* CAPABILITY IMAP4rev1 LOGINDISABLED\r\nA2 OK\r\n"}},
         ImapFailure::None,
         ImapFailure::Refused,
         "The server does not allow logging in with a password here (LOGINDISABLED)."},
    };
    certificates().trustAuthority();
    for (const Case& sample : cases) {
        ScriptedImapServer server;
        ImapSession client("127.0.0.1", server.port(), ImapSecurity::StartTls, -1, kPatient);
        auto connected = inBackground([&] { return client.connect(); });
        for (const auto& [sent, answer] : sample.script) {
            if (sent == "TLS") {
                EXPECT_TRUE(server.startTls(certificates().localhost())) << sample.name;
            } else if (!sent.empty()) {
                EXPECT_EQ(server.receiveLine(), sent) << sample.name;
            }
            server.say(answer);
        }
        EXPECT_EQ(connected.get(), sample.connectFailure == ImapFailure::None) << sample.name;
        EXPECT_EQ(client.failure(), sample.connectFailure) << sample.name;
        const std::string connectReason = client.failureReason();
        EXPECT_FALSE(client.logIn("bob", "secret")) << sample.name;
        EXPECT_EQ(client.failure(), sample.logInFailure) << sample.name;
        // The reason of whichever step failed first.
        EXPECT_EQ(sample.connectFailure == ImapFailure::None ? client.failureReason()
                                                             : connectReason,
                  sample.reason)
            << sample.name;
        client.disconnect();
        EXPECT_TRUE(server.waitForClose()) << sample.name;
        EXPECT_EQ(server.unreadBytes(), "") << sample.name;
    }
}

TEST_F(ImapSessionTest, StartTlsChecksTheCertificateAsAConnectionSecureFromTheStart) {
    const std::pair<const CertificateFiles& (TestCertificates::*)() const, const char*> cases[] = {
        {&TestCertificates::otherHost, "The server's certificate is for another address."},
        {&TestCertificates::selfSigned,
         "The server's certificate is not signed by an authority this computer trusts."},
    };
    TestSupport::StderrCapture quiet;
    for (const auto& [files, reason] : cases) {
        auto connected = inBackground([&] { return session.connect(); });
        EXPECT_TRUE(server.accept());
        server.say("* OK [CAPABILITY IMAP4rev1 STARTTLS] ready\r\n");
        EXPECT_EQ(server.receiveLine(), "A1 STARTTLS\r\n");
        server.say("A1 OK Begin TLS negotiation now.\r\n");
        EXPECT_FALSE(server.startTls((certificates().*files)()));
        EXPECT_FALSE(connected.get());
        EXPECT_EQ(session.failure(), ImapFailure::Tls);
        EXPECT_EQ(session.failureReason(), reason);
    }
}

TEST_F(ImapSessionTest, AStopRequestWakesTheStartTlsHandshake) {
    Platform::WakeEvent stop;
    ImapSession stoppable("127.0.0.1", server.port(), ImapSecurity::StartTls, stop.descriptor(),
                          kPatient);
    auto connected = inBackground([&] { return stoppable.connect(); });
    server.say("* OK [CAPABILITY IMAP4rev1 STARTTLS] ready\r\n");
    EXPECT_EQ(server.receiveLine(), "A1 STARTTLS\r\n");
    server.say("A1 OK Begin TLS negotiation now.\r\n");
    // The client's hello arriving shows the handshake is under way.
    EXPECT_NE(server.receiveSome(), "");
    stop.signal();
    EXPECT_FALSE(connected.get());
    EXPECT_EQ(stoppable.failure(), ImapFailure::Stopped);
}

TEST_F(ImapSessionTest, IdleEndsWithDoneWhenTheMailboxChangesOrTheWaitIsOver) {
    connect(session);
    bool updated = false;
    auto idling = inBackground([&] { return session.idle(1h, updated); });
    EXPECT_EQ(server.receiveLine(), "A3 IDLE\r\n");
    server.say("+ idling\r\n* OK Still here\r\n");
    server.say("* 5 EXISTS\r\n");
    EXPECT_EQ(server.receiveLine(), "DONE\r\n");
    server.say("* 5 RECENT\r\nA3 OK Idle completed.\r\n");
    EXPECT_TRUE(idling.get());
    EXPECT_TRUE(updated);

    idling = inBackground([&] { return session.idle(0ms, updated); });
    EXPECT_EQ(server.receiveLine(), "A4 IDLE\r\n");
    server.say("+ idling\r\n");
    EXPECT_EQ(server.receiveLine(), "DONE\r\n");
    server.say("A4 OK Idle completed.\r\n");
    EXPECT_TRUE(idling.get());
    EXPECT_FALSE(updated);
}

TEST_F(ImapSessionTest, IdleFailsCleanlyOnAByeACutOrAStop) {
    Platform::WakeEvent stop;
    ImapSession stoppable("127.0.0.1", server.port(), ImapSecurity::StartTls, stop.descriptor(),
                          kPatient);
    for (const std::string ending : {"bye", "cut", "stop"}) {
        connect(stoppable);
        bool updated = false;
        auto idling = inBackground([&] { return stoppable.idle(1h, updated); });
        EXPECT_EQ(server.receiveLine(), "A3 IDLE\r\n");
        server.say("+ idling\r\n");
        if (ending == "bye")
            server.say("* BYE Server shutting down.\r\n");
        else if (ending == "cut")
            server.hangUp();
        else
            stop.signal();
        EXPECT_FALSE(idling.get()) << ending;
        EXPECT_FALSE(updated) << ending;
        EXPECT_EQ(stoppable.failure(),
                  ending == "stop" ? ImapFailure::Stopped : ImapFailure::Closed)
            << ending;
        if (ending == "bye") {
            EXPECT_EQ(stoppable.failureReason(),
                      "The server closed the connection: Server shutting down.");
        }
        stop.reset();
    }
}

TEST_F(ImapSessionTest, RepliesThatNeverEndOrCannotBeReadFailWithoutHanging) {
    // A tagged response for another command: the session is out of step for good.
    connect(session);
    EXPECT_FALSE(exchange([&] { return session.searchUnseen(uids); }, "A3 UID SEARCH UNSEEN\r\n",
                          "A9 OK\r\n"));
    EXPECT_EQ(session.failure(), ImapFailure::Malformed);
    EXPECT_FALSE(session.searchUnseen(uids));
    EXPECT_EQ(session.failure(), ImapFailure::Closed);

    connect(session);
    EXPECT_FALSE(exchange([&] { return session.examine("INBOX", state); },
                          "A3 EXAMINE \"INBOX\"\r\n", "* 4294967296 EXISTS\r\nA3 OK\r\n"));
    EXPECT_EQ(session.failure(), ImapFailure::Malformed);
    EXPECT_EQ(session.failureReason(),
              "The server's reply to EXAMINE could not be read: * 4294967296 EXISTS.");

    Pop3Limits small = kPatient;
    small.replySize = 1000;
    ImapSession bounded("127.0.0.1", server.port(), ImapSecurity::StartTls, -1, small);
    connect(bounded);
    auto search = inBackground([&] { return bounded.searchUnseen(uids); });
    EXPECT_EQ(server.receiveLine(), "A3 UID SEARCH UNSEEN\r\n");
    const std::string endless = "* SEARCH " + std::string(10 * 1024 * 1024, '1');
    auto flood = inBackground([&] { return server.say(endless); });
    EXPECT_FALSE(search.get());
    EXPECT_EQ(bounded.failure(), ImapFailure::TooLong);
    // The client stopped reading there; the server cannot get the rest out before it leaves.
    bounded.disconnect();
    EXPECT_LT(flood.get(), endless.size());

    // Each response comes within the inactivity limit; only the limit on the whole reply
    // ends them.
    ImapSession hasty("127.0.0.1", server.port(), ImapSecurity::StartTls, -1, {1h, 2s, 1h});
    connect(hasty);
    auto slow = inBackground([&] { return hasty.searchUnseen(uids); });
    EXPECT_EQ(server.receiveLine(), "A3 UID SEARCH UNSEEN\r\n");
    while (slow.wait_for(10ms) != std::future_status::ready)
        server.say("* OK Still searching\r\n");
    EXPECT_FALSE(slow.get());
    EXPECT_EQ(hasty.failure(), ImapFailure::NoReply);
    EXPECT_EQ(hasty.failureReason(), "The server's reply to UID SEARCH did not end within 2 s.");
}

namespace {

std::string message(const std::string& subject) {
    return "From: Sender <sender@example.org>\r\nTo: alice@example.org\r\nSubject: " + subject +
           "\r\nDate: Mon, 1 Jan 2024 10:00:00 +0000\r\nMessage-ID: <" + subject +
           "@example.org>\r\n\r\nThe body of " + subject + ", which is never fetched.\r\n";
}

class ImapDovecotTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dovecot = std::make_unique<DovecotServer>(certificates().localhost());
    }
    static void TearDownTestSuite() { dovecot.reset(); }
    void SetUp() override { certificates().trustAuthority(); }

    static std::unique_ptr<ImapSession> sessionFor(ImapSecurity security) {
        return security == ImapSecurity::StartTls
                   ? std::make_unique<ImapSession>(DovecotServer::kStartTlsAddress,
                                                   dovecot->imapPort(), security)
                   : std::make_unique<ImapSession>("127.0.0.1", dovecot->imapsPort(), security);
    }
    static std::unique_ptr<ImapSession> loggedIn(ImapSecurity security, const std::string& user,
                                                 const std::string& password) {
        auto session = sessionFor(security);
        EXPECT_TRUE(session->connect()) << session->failureReason() << dovecot->log();
        EXPECT_TRUE(session->logIn(user, password)) << session->failureReason();
        return session;
    }

    static inline std::unique_ptr<DovecotServer> dovecot;
};

} // namespace

TEST_F(ImapDovecotTest, LogsInOverStartTlsAndTlsAndRefusesAWrongPassword) {
    dovecot->addUser("alice", "wonderland");
    dovecot->deliverMany("alice", {message("first"), message("second"), message("third")});
    for (const ImapSecurity security : {ImapSecurity::StartTls, ImapSecurity::Tls}) {
        const auto session = sessionFor(security);
        ASSERT_TRUE(session->connect()) << session->failureReason() << dovecot->log();
        EXPECT_TRUE(session->capabilities().authPlain);
        EXPECT_FALSE(session->logIn("alice", "looking-glass"));
        EXPECT_EQ(session->failure(), ImapFailure::Refused);
        EXPECT_EQ(session->failureReason(),
                  "The server refused the log-in: [AUTHENTICATIONFAILED] Authentication failed.");
        ASSERT_TRUE(session->logIn("alice", "wonderland")) << session->failureReason();
        EXPECT_TRUE(session->capabilities().idle);
        ImapMailboxState state;
        ASSERT_TRUE(session->examine("INBOX", state)) << session->failureReason();
        EXPECT_EQ(state.exists, 3u);
        EXPECT_NE(state.uidValidity, 0u);
        EXPECT_EQ(state.uidNext, 4u);
        EXPECT_TRUE(session->logout()) << session->failureReason();
    }
}

TEST_F(ImapDovecotTest, FindsTheUnseenHeadersAndFollowsWhatOtherClientsDo) {
    dovecot->addUser("bob", "builder");
    dovecot->deliverMany("bob", {message("first"), message("second"), message("third")});
    const auto reader = loggedIn(ImapSecurity::StartTls, "bob", "builder");
    ImapMailboxState state;
    ASSERT_TRUE(reader->examine("INBOX", state));
    Uids unseen;
    ASSERT_TRUE(reader->searchUnseen(unseen));
    EXPECT_EQ(unseen, (Uids{1, 2, 3}));
    std::vector<ImapMessage> messages;
    ASSERT_TRUE(reader->fetchHeaders(unseen, messages)) << reader->failureReason();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[1].uid, 2u);
    EXPECT_FALSE(messages[1].seen);
    EXPECT_EQ(messages[1].header,
              "From: Sender <sender@example.org>\r\nSubject: second\r\nDate: Mon, 1 Jan 2024 "
              "10:00:00 +0000\r\nMessage-ID: <second@example.org>\r\n\r\n");
    EXPECT_EQ(messages[1].internalDate.size(), std::string("01-Jan-2024 10:00:00 +0000").size());
    // Reading the headers marked nothing seen.
    ASSERT_TRUE(reader->searchUnseen(unseen));
    EXPECT_EQ(unseen, (Uids{1, 2, 3}));

    // Another client reads the second message; the first is expunged.
    const auto other = loggedIn(ImapSecurity::Tls, "bob", "builder");
    ASSERT_TRUE(other->select("INBOX", state));
    ASSERT_TRUE(other->storeSeen({2})) << other->failureReason();
    EXPECT_TRUE(other->logout());
    ASSERT_TRUE(reader->searchUnseen(unseen));
    EXPECT_EQ(unseen, (Uids{1, 3}));
    dovecot->remove("bob", 1);
    ASSERT_TRUE(reader->searchUnseen(unseen));
    EXPECT_EQ(unseen, (Uids{3}));
    ASSERT_TRUE(reader->fetchHeaders({1, 3}, messages));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].uid, 3u);
    EXPECT_TRUE(reader->logout());
}

TEST_F(ImapDovecotTest, IdleWakesForADeliveryAndFailsWhenTheConnectionIsCut) {
    dovecot->addUser("carol", "singer");
    dovecot->deliver("carol", message("old"));
    const auto session = loggedIn(ImapSecurity::Tls, "carol", "singer");
    ImapMailboxState state;
    ASSERT_TRUE(session->examine("INBOX", state));
    bool updated = false;
    auto idling = inBackground([&] { return session->idle(1min, updated); });
    dovecot->deliver("carol", message("new"));
    EXPECT_TRUE(idling.get()) << session->failureReason();
    EXPECT_TRUE(updated);
    Uids unseen;
    ASSERT_TRUE(session->searchUnseen(unseen));
    EXPECT_EQ(unseen, (Uids{1, 2}));

    idling = inBackground([&] { return session->idle(1min, updated); });
    dovecot->cutImapConnections();
    EXPECT_FALSE(idling.get());
    EXPECT_EQ(session->failure(), ImapFailure::Closed) << session->failureReason();
}
