// The POP3 session and the mailbox check against a real Dovecot, plain and over TLS with a
// throwaway authority.
#include "tests/servers/DovecotServer.h"
#include "tests/servers/TestCertificates.h"
#include "tests/support/Localhost.h"
#include "tests/support/StderrCapture.h"
#include "tests/transport/RecordingListener.h"
#include "transport/MailChecker.h"
#include "transport/Pop3Session.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using TestServers::CertificateFiles;
using TestServers::DovecotServer;
using TestServers::TestCertificates;

std::string message(const std::string& subject, const std::string& date) {
    return "From: Sender <sender@example.org>\r\nTo: alice@example.org\r\nSubject: " + subject +
           "\r\nDate: " + date + "\r\nMessage-ID: <" + subject + "@example.org>\r\n\r\n" +
           "The body of " + subject + ", which TOP 0 leaves out.\r\n";
}

// Made once for the whole program: openssl takes a while for each certificate.
const TestCertificates& certificates() {
    static const TestCertificates made;
    made.trustAuthority();
    return made;
}

class DovecotSessionTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dovecot = std::make_unique<DovecotServer>(certificates().localhost());
        dovecot->addUser("alice", "wonderland");
        dovecot->deliver("alice", message("first", "Mon, 1 Jan 2024 10:00:00 +0000"));
        dovecot->deliver("alice", message("second", "Tue, 2 Jan 2024 10:00:00 +0000"));
        dovecot->deliver("alice", message("third", "Wed, 3 Jan 2024 10:00:00 +0000"));
        dovecot->addUser("empty", "nothing");
    }
    static void TearDownTestSuite() { dovecot.reset(); }

    // The plain-port account of a test user, "<user>@example.org".
    static Logic::ConnectionSettings settingsOf(const std::string& user,
                                                const std::string& password) {
        Logic::ConnectionSettings settings;
        settings.setEmailAddress(user + "@example.org");
        settings.setServerName("127.0.0.1");
        settings.setPort(dovecot->plainPort());
        settings.setUserLogin(user);
        settings.setPassword(password);
        return settings;
    }
    static void logIn(Pop3Session& session, const std::string& user, const std::string& password) {
        ASSERT_TRUE(session.connect()) << dovecot->log();
        ASSERT_TRUE(session.logIn(user, password)) << dovecot->log();
    }

    static inline std::unique_ptr<DovecotServer> dovecot;
};

} // namespace

TEST_F(DovecotSessionTest, LogsInCountsAndFetchesTheFirstAndLastHeaders) {
    Pop3Session session("127.0.0.1", dovecot->plainPort(), false);
    logIn(session, "alice", "wonderland");
    EXPECT_TRUE(session.capabilities().top);
    EXPECT_TRUE(session.capabilities().pipelining);
    int count = 0;
    long long size = 0;
    ASSERT_TRUE(session.stat(count, size));
    EXPECT_EQ(count, 3);
    EXPECT_GT(size, 0);

    std::string first;
    ASSERT_TRUE(session.top(1, 0, first));
    EXPECT_EQ(first.rfind("From: Sender <sender@example.org>\r\n", 0), 0u) << first;
    EXPECT_NE(first.find("Subject: first\r\n"), std::string::npos);
    EXPECT_EQ(first.find("The body"), std::string::npos);
    EXPECT_TRUE(first.ends_with("\r\n\r\n.\r\n")) << first;

    std::string last;
    ASSERT_TRUE(session.top(count, 0, last));
    EXPECT_NE(last.find("Subject: third\r\n"), std::string::npos) << last;

    std::string beyond = "untouched";
    EXPECT_FALSE(session.top(count + 1, 0, beyond));
    EXPECT_EQ(session.failure(), Pop3Failure::Refused);
    EXPECT_EQ(beyond, "untouched");
    EXPECT_TRUE(session.quit());
}

TEST_F(DovecotSessionTest, AnEmptyMailboxCountsZero) {
    Pop3Session session("127.0.0.1", dovecot->plainPort(), false);
    logIn(session, "empty", "nothing");
    int count = -1;
    long long size = -1;
    ASSERT_TRUE(session.stat(count, size));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(size, 0);
    EXPECT_TRUE(session.quit());
}

TEST_F(DovecotSessionTest, AWrongPasswordIsARefusedLogin) {
    Pop3Session session("127.0.0.1", dovecot->plainPort(), false);
    ASSERT_TRUE(session.connect());
    EXPECT_FALSE(session.logIn("alice", "looking-glass"));
    EXPECT_EQ(session.failure(), Pop3Failure::Refused);
}

TEST_F(DovecotSessionTest, TlsWithATrustedCertificateByAddressAndByName) {
    for (const char* host : {"127.0.0.1", "localhost"}) {
        if (host == std::string("localhost") && !TestSupport::localhostResolves())
            GTEST_SKIP() << TestSupport::kNoLocalhost;
        Pop3Session session(host, dovecot->tlsPort(), true);
        logIn(session, "alice", "wonderland");
        int count = 0;
        long long size = 0;
        EXPECT_TRUE(session.stat(count, size)) << host;
        EXPECT_EQ(count, 3) << host;
        std::string last;
        EXPECT_TRUE(session.top(count, 0, last)) << host;
        EXPECT_NE(last.find("Subject: third\r\n"), std::string::npos) << host;
        EXPECT_TRUE(session.quit()) << host;
    }
}

TEST_F(DovecotSessionTest, AHeaderLargerThanOneReadArrivesWholeOverTls) {
    // TLS records hold up to 16 KiB and a read takes 10 KiB: the rest of a record is held
    // inside OpenSSL, where waiting on the socket would never find it.
    dovecot->addUser("bulky", "large");
    std::string header = "Subject: bulky\r\n";
    for (int i = 0; header.size() < 60000; ++i)
        header += "X-Filler-" + std::to_string(i) + ": " + std::string(70, 'a' + i % 26) + "\r\n";
    dovecot->deliver("bulky", header + "\r\nbody\r\n");

    std::string plainHeader;
    Pop3Session plain("127.0.0.1", dovecot->plainPort(), false);
    logIn(plain, "bulky", "large");
    ASSERT_TRUE(plain.top(1, 0, plainHeader));
    EXPECT_EQ(plainHeader, header + "\r\n.\r\n");

    std::string tlsHeader;
    Pop3Session secure("127.0.0.1", dovecot->tlsPort(), true);
    logIn(secure, "bulky", "large");
    ASSERT_TRUE(secure.top(1, 0, tlsHeader));
    EXPECT_EQ(tlsHeader, plainHeader);
}

TEST_F(DovecotSessionTest, MailDeliveredAfterASessionIsSeenByTheNext) {
    dovecot->addUser("later", "on");
    dovecot->deliver("later", message("early", "Mon, 1 Jan 2024 10:00:00 +0000"));
    int count = 0;
    long long size = 0;
    {
        Pop3Session session("127.0.0.1", dovecot->plainPort(), false);
        logIn(session, "later", "on");
        ASSERT_TRUE(session.stat(count, size));
        EXPECT_EQ(count, 1);
        EXPECT_TRUE(session.quit());
    }
    EXPECT_EQ(dovecot->deliver("later", message("late", "Tue, 2 Jan 2024 10:00:00 +0000")), 2);
    Pop3Session session("127.0.0.1", dovecot->plainPort(), false);
    logIn(session, "later", "on");
    ASSERT_TRUE(session.stat(count, size));
    EXPECT_EQ(count, 2);
    std::string last;
    ASSERT_TRUE(session.top(2, 0, last));
    EXPECT_NE(last.find("Subject: late\r\n"), std::string::npos);
}

namespace {

std::string received(const std::string& subject, const std::string& when) {
    return "Received: from relay.example.net by mx.example.org; " + when +
           "\r\nSubject: " + subject + "\r\n\r\nbody\r\n";
}

} // namespace

TEST_F(DovecotSessionTest, ACheckFindsTheNewMessagesAroundUndatedOnesPipelined) {
    dovecot->addUser("mixed", "bag");
    dovecot->deliverMany(
        "mixed",
        {received("old", "Mon, 1 Jan 2024 10:00:00 +0000"),
         received("n1", "Fri, 5 Jan 2024 10:00:00 +0000"),
         "Date: Fri, 1 Jan 2099 00:00:00 +0000\r\nSubject: no Received line\r\n\r\nbody\r\n",
         received("n2", "Sat, 6 Jan 2024 10:00:00 +0000"), received("unreadable date", "soon"),
         received("n3", "Sun, 7 Jan 2024 10:00:00 +0000")});
    TestTransport::RecordingListener listener;
    MailChecker checker(listener);
    checker.setWorkList(
        {{settingsOf("mixed", "bag"), parseMailDate("Tue, 2 Jan 2024 10:00:00 +0000"), {}, {}}});
    checker.start();
    EXPECT_EQ(listener.waitForEnd(),
              (std::vector<std::string>{"starting mixed@example.org", "checked [n3,n2,n1]",
                                        "finished mixed@example.org", "done"}))
        << dovecot->log();
}

TEST_F(DovecotSessionTest, DeliveriesThatDatesWouldMissAreFoundByTheirIds) {
    dovecot->addUser("late", "post");
    dovecot->deliver("late", received("first", "Fri, 5 Jan 2024 10:00:00 +0000"));
    const Logic::ConnectionSettings settings = settingsOf("late", "post");
    const MailDate mark = parseMailDate("Fri, 5 Jan 2024 10:00:00 +0000");
    TestTransport::RecordingListener listener;
    MailChecker checker(listener);
    const auto check = [&](MailDate newestKnown, const Logic::SeenMessages& seen) {
        checker.stop();
        checker.setWorkList({{settings, newestKnown, seen, {}}});
        checker.start();
        return listener.waitForEnd()[1];
    };
    EXPECT_EQ(check(parseMailDate("Tue, 2 Jan 2024 10:00:00 +0000"), {}), "checked [first]");
    const Logic::SeenMessages seen = listener.lastSeen();
    dovecot->deliverMany("late", {received("same second", "Fri, 5 Jan 2024 10:00:00 +0000"),
                                  received("queued", "Thu, 4 Jan 2024 18:00:00 +0000"),
                                  "Subject: no Received line\r\n\r\nbody\r\n"});
    EXPECT_EQ(check(mark, seen), "checked [no Received line,queued,same second]") << dovecot->log();
    // Without the ids (a lost state file) the walk goes by date: nothing old comes back.
    EXPECT_EQ(check(mark, {}), "checked []");
}

namespace {

struct UntrustedCase {
    const char* name;
    const CertificateFiles& (TestCertificates::*files)() const;
    const char* reason; // part of OpenSSL's words for it
    const char* host;   // the name the certificate is checked against
};

class UntrustedCertificateTest : public testing::TestWithParam<UntrustedCase> {};

} // namespace

TEST_P(UntrustedCertificateTest, FailsTheConnectionAsATlsFailureAndSaysWhy) {
    if (GetParam().host == std::string("localhost") && !TestSupport::localhostResolves())
        GTEST_SKIP() << TestSupport::kNoLocalhost;
    DovecotServer server((certificates().*GetParam().files)());
    server.addUser("alice", "wonderland");

    TestSupport::StderrCapture capture;
    Pop3Session session(GetParam().host, server.tlsPort(), true);
    EXPECT_FALSE(session.connect());
    EXPECT_EQ(session.failure(), Pop3Failure::Tls);
    const std::string diagnostics = capture.text();
    EXPECT_NE(diagnostics.find("Vusk: TLS handshake failed $[certificate: "), std::string::npos)
        << diagnostics;
    EXPECT_NE(diagnostics.find(GetParam().reason), std::string::npos) << diagnostics;
    EXPECT_NE(diagnostics.find("Norq::Exception [Failed to enable ssl connection!]"),
              std::string::npos);
    // The server never saw a login.
    EXPECT_EQ(server.log().find("Login: user=<alice>"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Dovecot, UntrustedCertificateTest,
    testing::Values(UntrustedCase{"SelfSigned", &TestCertificates::selfSigned, "self", "127.0.0.1"},
                    UntrustedCase{"ForAnotherHost", &TestCertificates::otherHost, "hostname",
                                  "localhost"},
                    UntrustedCase{"FromAnUnrelatedAuthority", &TestCertificates::unrelatedAuthority,
                                  "local issuer", "127.0.0.1"}),
    [](const testing::TestParamInfo<UntrustedCase>& sample) {
        return std::string(sample.param.name);
    });
