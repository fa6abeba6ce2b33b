// The connection test's worker on its own: its reports against the test Dovecot, the wire
// dialogue with the scripted server, and a test abandoned while the server keeps silent.
#include "transport/ConnectionTestThread.h"
#include "tests/servers/DovecotServer.h"
#include "tests/servers/ScriptedPop3Server.h"
#include "tests/servers/Subprocess.h"
#include "tests/servers/TestCertificates.h"
#include "tests/support/EventLog.h"
#include "tests/support/Localhost.h"
#include "tests/support/StderrCapture.h"
#include "transport/AbandonedConnectionTests.h"

#include <gtest/gtest.h>

#include <memory>

using namespace std::chrono_literals;

namespace {

using TestServers::DovecotServer;
using TestServers::TestCertificates;

class RecordingListener : public ConnectionTestListener {
public:
    void connectFailed(const std::string& reason) override {
        m_log.record("connect failed: " + reason);
    }
    void loginFailed(const std::string& reason) override {
        m_log.record("login failed: " + reason);
    }
    void statusFailed(const std::string& reason) override {
        m_log.record("status failed: " + reason);
    }
    void authorizing() override { m_log.record("authorizing"); }
    void retrievingStatus() override { m_log.record("retrieving status"); }
    void succeeded(int count) override { m_log.record("succeeded " + std::to_string(count)); }

    std::vector<std::string> waitFor(const std::string& last) { return m_log.waitFor(last); }
    /// Every call so far, for when no more can come.
    std::vector<std::string> callsSoFar() {
        m_log.record("now");
        auto calls = m_log.waitFor("now");
        calls.pop_back();
        return calls;
    }

private:
    TestSupport::EventLog m_log;
};

Logic::ConnectionSettings settings(const std::string& server, std::uint16_t port, bool tls,
                                   const std::string& login, const std::string& password) {
    Logic::ConnectionSettings settings;
    settings.setServerName(server);
    settings.setPort(port);
    settings.setUseTls(tls);
    settings.setUserLogin(login);
    settings.setPassword(password);
    return settings;
}

// Made once for the whole program: openssl takes a while for each certificate.
const TestCertificates& certificates() {
    static const TestCertificates made;
    made.trustAuthority();
    return made;
}

std::vector<std::string> runTest(const Logic::ConnectionSettings& tried, const std::string& last) {
    RecordingListener listener;
    ConnectionTestThread test(listener, tried);
    test.start();
    return listener.waitFor(last);
}

const std::string kMessage = "From: a@example.org\r\nSubject: hello\r\n\r\nbody\r\n";

} // namespace

TEST(ConnectionTestThread, ReportsEachStepAndTheResultAgainstDovecot) {
    DovecotServer server(certificates().localhost());
    server.addUser("alice", "wonderland");
    server.deliver("alice", kMessage);
    server.deliver("alice", kMessage);
    server.addUser("bob", "builder");

    EXPECT_EQ(runTest(settings("127.0.0.1", server.plainPort(), false, "alice", "wonderland"),
                      "succeeded 2"),
              (std::vector<std::string>{"authorizing", "retrieving status", "succeeded 2"}));
    EXPECT_EQ(
        runTest(settings("127.0.0.1", server.tlsPort(), true, "bob", "builder"), "succeeded 0"),
        (std::vector<std::string>{"authorizing", "retrieving status", "succeeded 0"}));
    const std::string refused =
        "login failed: The server refused the log-in: [AUTH] Authentication failed.";
    EXPECT_EQ(runTest(settings("127.0.0.1", server.plainPort(), false, "alice", "rabbit"), refused),
              (std::vector<std::string>{"authorizing", refused}));

    TestSupport::StderrCapture quiet;
    const auto closedPort = static_cast<std::uint16_t>(TestServers::freeLoopbackPort());
    const std::string unreachable =
        "connect failed: Could not connect to 127.0.0.1:" + std::to_string(closedPort) +
        ": connection refused.";
    EXPECT_EQ(runTest(settings("127.0.0.1", closedPort, false, "alice", "wonderland"), unreachable),
              std::vector<std::string>{unreachable});
}

TEST(ConnectionTestThread, ACertificateThatDoesNotVerifySaysWhy) {
    TestSupport::StderrCapture quiet;
    struct Case {
        const TestServers::CertificateFiles* files;
        const char* host; // the name the certificate is checked against
        std::string reason;
    };
    const Case cases[] = {
        {&certificates().selfSigned(), "127.0.0.1",
         "The server's certificate is not signed by an authority this computer trusts."},
        {&certificates().otherHost(), "localhost",
         "The server's certificate is for another host name."},
    };
    for (const auto& [files, host, reason] : cases) {
        if (host == std::string("localhost") && !TestSupport::localhostResolves())
            GTEST_SKIP() << TestSupport::kNoLocalhost;
        DovecotServer server(*files);
        server.addUser("alice", "wonderland");
        const std::string expected = "connect failed: " + reason;
        EXPECT_EQ(runTest(settings(host, server.tlsPort(), true, "alice", "wonderland"), expected),
                  std::vector<std::string>{expected});
        EXPECT_EQ(server.log().find("Login: user=<alice>"), std::string::npos);
    }
}

TEST(ConnectionTestThread, AFailedStatusEndsWithoutQuit) {
    TestServers::ScriptedPop3Server server;
    RecordingListener listener;
    ConnectionTestThread test(listener, settings("127.0.0.1", server.port(), false, "bob", "pw"));
    test.start();
    server.say("+OK ready\r\n");
    EXPECT_EQ(server.receiveLine(), "CAPA\r\n");
    server.say("-ERR unknown command\r\n"); // an old server: used as before
    EXPECT_EQ(server.receiveLine(), "USER bob\r\n");
    server.say("+OK\r\n");
    EXPECT_EQ(server.receiveLine(), "PASS pw\r\n");
    server.say("+OK\r\n");
    EXPECT_EQ(server.receiveLine(), "STAT\r\n");
    server.say("-ERR mailbox locked\r\n");
    const std::string failed = "status failed: The server refused STAT: mailbox locked.";
    EXPECT_EQ(listener.waitFor(failed),
              (std::vector<std::string>{"authorizing", "retrieving status", failed}));
    EXPECT_TRUE(server.waitForClose());
    EXPECT_EQ(server.unreadBytes(), "");
}

TEST(ConnectionTestThread, AServerThatDropsWhatCameBeforeItsPasswordReplyPasses) {
    TestServers::ScriptedPop3Server server;
    RecordingListener listener;
    ConnectionTestThread test(listener, settings("127.0.0.1", server.port(), false, "bob", "pw"));
    test.start();
    server.say("+OK ready\r\n");
    EXPECT_EQ(server.receiveLine(), "CAPA\r\n");
    server.say("+OK\r\nPIPELINING\r\n.\r\n");
    EXPECT_EQ(server.receiveLine(), "USER bob\r\n");
    EXPECT_EQ(server.receiveLine(), "PASS pw\r\n");
    server.unreadBytes(); // lost while the password is checked
    server.say("+OK\r\n+OK\r\n");
    EXPECT_EQ(server.receiveLine(), "STAT\r\n");
    server.say("+OK 2 640\r\n");
    EXPECT_EQ(server.receiveLine(), "QUIT\r\n");
    server.say("+OK bye\r\n");
    EXPECT_EQ(listener.waitFor("succeeded 2"),
              (std::vector<std::string>{"authorizing", "retrieving status", "succeeded 2"}));
}

TEST(ConnectionTestThread, AServerThatAsksToWaitIsNotAWrongPassword) {
    TestServers::ScriptedPop3Server server;
    RecordingListener listener;
    ConnectionTestThread test(listener, settings("127.0.0.1", server.port(), false, "bob", "pw"));
    test.start();
    server.say("+OK ready\r\n");
    EXPECT_EQ(server.receiveLine(), "CAPA\r\n");
    server.say("+OK\r\nLOGIN-DELAY 600\r\n.\r\n");
    EXPECT_EQ(server.receiveLine(), "USER bob\r\n");
    server.say("+OK\r\n");
    EXPECT_EQ(server.receiveLine(), "PASS pw\r\n");
    server.say("-ERR [LOGIN-DELAY] wait\r\n");
    const std::string busy =
        "connect failed: The server asks to wait before the next log-in: [LOGIN-DELAY] wait.";
    EXPECT_EQ(listener.waitFor(busy), (std::vector<std::string>{"authorizing", busy}));
}

TEST(ConnectionTestThread, AnAbandonedTestStopsAndTellsNothingMore) {
    TestServers::ScriptedPop3Server server;
    RecordingListener listener;
    // Limits far beyond the test's own: only the stop request can end the wait for a greeting.
    auto test = std::make_unique<ConnectionTestThread>(
        listener, settings("127.0.0.1", server.port(), false, "bob", "pw"), Pop3Limits{1h, 1h, 1h});
    test->start();
    ASSERT_TRUE(server.accept());
    AbandonedConnectionTests::keep(std::move(test));
    // The greeting comes too late to be heard, and nothing but the stop request ends the test
    // and closes its connection.
    server.say("+OK ready\r\n");
    EXPECT_TRUE(server.waitForClose());
    AbandonedConnectionTests::joinAll();
    EXPECT_EQ(listener.callsSoFar(), std::vector<std::string>{});
}
