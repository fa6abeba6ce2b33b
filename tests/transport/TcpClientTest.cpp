#include "transport/TcpClient.h"
#include "platform/WakeEvent.h"
#include "tests/servers/ScriptedPop3Server.h"
#include "tests/servers/TestCertificates.h"
#include "tests/support/Localhost.h"
#include "tests/support/StderrCapture.h"
#include "transport/SigpipeBlock.h"
#include "transport/SocketAddress.h"
#include "transport/TcpClientFailure.h"
#include "transport/TcpClientListener.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
// Servers of one old version alone are made with the methods OpenSSL still keeps for them.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/ssl.h>
#include <string>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using TestServers::ScriptedPop3Server;
using TestServers::UnansweredPort;

std::string dotted(const Vusk::SocketAddress& address) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address.raw().sin_addr, text, sizeof text);
    return text;
}

Vusk::SocketAddress loopback(std::uint16_t port) {
    return Vusk::SocketAddress("127.0.0.1", htons(port));
}

class RecordingListener : public Vusk::TcpClientListener {
public:
    bool onData(const char* bytes, std::size_t length) override {
        data.append(bytes, length);
        return false;
    }
    void onError(int code) override { errors.push_back(code); }
    void onClose() override { ++closes; }

    std::string data;
    std::vector<int> errors;
    int closes = 0;
};

// What the client has received once `expected` bytes came, or its wait gave up.
void receiveUntil(Vusk::TcpClient& client, RecordingListener& listener, std::size_t expected) {
    while (listener.data.size() < expected && listener.closes == 0 &&
           client.waitReadable(Vusk::deadlineAfter(20s)) == Vusk::WaitResult::Ready)
        client.receiveAvailable();
}

void expectConnectFailure(const Vusk::SocketAddress& address,
                          const Vusk::TcpConnectOptions& options = {}) {
    try {
        Vusk::TcpClient client(address, false, 10240, options);
        ADD_FAILURE() << "connected";
    } catch (const Vusk::TcpClientSecureFailure&) {
        ADD_FAILURE() << "a plain connection failed as a TLS one";
    } catch (const Vusk::TcpClientFailure& failure) {
        EXPECT_STREQ(failure.what(), "Failed to connect to the server!");
    }
}

// A TLS server of OpenSSL's own that offers one old protocol version: with a method of that
// version alone it answers any hello in that version, as servers from before TLS 1.3 do; with
// a version range it refuses a hello that lists only newer versions, as OpenSSL 3 does.
class OldTlsServer {
public:
    OldTlsServer(const TestServers::CertificateFiles& files, const SSL_METHOD* method,
                 int version = 0)
        : m_context(SSL_CTX_new(method)) {
        if (version != 0) {
            SSL_CTX_set_min_proto_version(m_context, version);
            SSL_CTX_set_max_proto_version(m_context, version);
        }
        SSL_CTX_set_cipher_list(m_context, "DEFAULT@SECLEVEL=0");
        SSL_CTX_use_certificate_chain_file(m_context, files.certificate.c_str());
        SSL_CTX_use_PrivateKey_file(m_context, files.key.c_str(), SSL_FILETYPE_PEM);
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener, 1);
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    OldTlsServer(const OldTlsServer&) = delete;
    OldTlsServer& operator=(const OldTlsServer&) = delete;
    ~OldTlsServer() {
        ::close(m_listener);
        SSL_CTX_free(m_context);
    }

    std::uint16_t port() const { return m_port; }

    /// False when this OpenSSL has no cipher left for the version (built without it).
    bool canOffer() const {
        SSL* probe = SSL_new(m_context);
        STACK_OF(SSL_CIPHER)* usable = SSL_get1_supported_ciphers(probe);
        const bool any = usable != nullptr && sk_SSL_CIPHER_num(usable) > 0;
        sk_SSL_CIPHER_free(usable);
        SSL_free(probe);
        return any;
    }

    /// Takes one connection and tries the handshake until the client gives up.
    void serveOnce() const {
        const int connection = ::accept(m_listener, nullptr, nullptr);
        if (connection < 0)
            return;
        const timeval patience{20, 0};
        ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
        SSL* tls = SSL_new(m_context);
        SSL_set_fd(tls, connection);
        SSL_accept(tls);
        SSL_free(tls);
        ::close(connection);
    }

private:
    SSL_CTX* m_context;
    int m_listener = -1;
    std::uint16_t m_port = 0;
};

} // namespace

TEST(SocketAddress, DottedAddressesAreParsedAndNamesStartingWithALetterLookedUp) {
    const Vusk::SocketAddress dottedAddress("127.0.0.1", htons(110));
    EXPECT_TRUE(dottedAddress.isResolved());
    EXPECT_EQ(dotted(dottedAddress), "127.0.0.1");
    EXPECT_EQ(dottedAddress.raw().sin_port, htons(110));
    EXPECT_EQ(dottedAddress.raw().sin_family, AF_INET);

    if (!TestSupport::localhostResolves())
        GTEST_SKIP() << TestSupport::kNoLocalhost;
    const Vusk::SocketAddress name("localhost", htons(995));
    EXPECT_TRUE(name.isResolved());
    EXPECT_EQ(dotted(name), "127.0.0.1");
}

TEST(SocketAddress, WhatCannotBeResolvedStaysUnresolved) {
    // Starts with a digit, so it is read as an address, and is not one.
    EXPECT_FALSE(Vusk::SocketAddress("1nvalid.example", htons(110)).isResolved());
    EXPECT_FALSE(Vusk::SocketAddress("no-such-host.invalid", htons(110)).isResolved());
    EXPECT_FALSE(Vusk::SocketAddress("", htons(110)).isResolved());
    // Linux would take these for this very machine or for broadcast.
    EXPECT_FALSE(Vusk::SocketAddress("0.0.0.0", htons(110)).isResolved());
    EXPECT_FALSE(Vusk::SocketAddress("255.255.255.255", htons(110)).isResolved());
}

TEST(SocketAddress, AStopRequestEndsALookupWithoutWaitingForTheResolver) {
    // The resolver runs on a thread of its own; the asking thread gives up on the stop at once
    // (a stop wins over a lookup that happens to be done), so the name stays unresolved.
    Platform::WakeEvent stop;
    stop.signal();
    EXPECT_FALSE(Vusk::SocketAddress("localhost", htons(110), Vusk::Clock::time_point::max(),
                                     stop.descriptor())
                     .isResolved());
    // A deadline far off and no stop: the helper thread's answer arrives.
    if (!TestSupport::localhostResolves())
        GTEST_SKIP() << TestSupport::kNoLocalhost;
    EXPECT_TRUE(
        Vusk::SocketAddress("localhost", htons(110), Vusk::deadlineAfter(std::chrono::hours(1)), -1)
            .isResolved());
}

TEST(TcpClient, UnresolvedNamesAndClosedPortsFailAsConnectFailures) {
    ScriptedPop3Server listening;
    // A port that was free a moment ago: nothing listens there.
    std::uint16_t closedPort;
    {
        ScriptedPop3Server gone;
        closedPort = gone.port();
    }
    expectConnectFailure(Vusk::SocketAddress("1nvalid.example", htons(listening.port())));
    expectConnectFailure(Vusk::SocketAddress("no-such-host.invalid", htons(listening.port())));
    expectConnectFailure(loopback(closedPort));
}

TEST(TcpClient, AServerThatNeverAnswersTheConnectionIsGivenUpAtTheConnectLimit) {
    UnansweredPort unanswered;
    expectConnectFailure(loopback(unanswered.port()), {"127.0.0.1", 200ms, -1});
}

TEST(TcpClient, BytesReachTheListenerInOrderAndNothingIsReportedWithoutThem) {
    ScriptedPop3Server server;
    Vusk::TcpClient client(loopback(server.port()), false, 16);
    RecordingListener listener;
    client.setListener(&listener);
    ASSERT_TRUE(server.accept());

    client.receiveAvailable();
    EXPECT_TRUE(listener.data.empty());
    EXPECT_TRUE(listener.errors.empty());
    EXPECT_EQ(listener.closes, 0);

    // More than one receive chunk, in several writes.
    server.say("+OK first piece, longer than a chunk\r\n");
    server.say("second\r\n");
    receiveUntil(client, listener, 46);
    EXPECT_EQ(listener.data, "+OK first piece, longer than a chunk\r\nsecond\r\n");

    EXPECT_TRUE(client.send("USER bob\r\n", 20s));
    EXPECT_EQ(server.receiveLine(), "USER bob\r\n");
}

TEST(TcpClient, APeerThatClosesIsReportedOnceAndLaterReadsReportAnError) {
    ScriptedPop3Server server;
    Vusk::TcpClient client(loopback(server.port()), false, 10240);
    RecordingListener listener;
    client.setListener(&listener);
    server.say("+OK bye\r\n");
    server.hangUp();
    receiveUntil(client, listener, SIZE_MAX);
    EXPECT_EQ(listener.data, "+OK bye\r\n");
    EXPECT_EQ(listener.closes, 1);
    EXPECT_TRUE(listener.errors.empty());
    EXPECT_FALSE(client.isOpen());

    EXPECT_TRUE(client.isReadable());
    client.receiveAvailable();
    EXPECT_EQ(listener.closes, 1);
    EXPECT_EQ(listener.errors.size(), 1u);
    EXPECT_FALSE(client.send("QUIT\r\n", 1s));
}

TEST(TcpClient, APlainServerOnTheTlsPortFailsTheHandshakeWithOpenSslsReason) {
    ScriptedPop3Server server;
    TestSupport::StderrCapture capture;
    auto connecting = TestServers::inBackground([&] {
        Vusk::TcpClient client(loopback(server.port()), true, 10240, {"localhost", 20s, -1});
    });
    server.say("+OK plain POP3 here\r\n");
    try {
        connecting.get();
        ADD_FAILURE() << "the handshake succeeded";
    } catch (const Vusk::TcpClientSecureFailure& failure) {
        EXPECT_STREQ(failure.what(), "Failed to enable ssl connection!");
    }
    const std::string diagnostics = capture.text();
    EXPECT_NE(diagnostics.find("Vusk: TLS handshake failed $["), std::string::npos) << diagnostics;
    EXPECT_NE(diagnostics.find("Norq::Exception [Failed to enable ssl connection!]"),
              std::string::npos);
}

TEST(TcpClient, AServerWithOnlyAnOutdatedTlsVersionIsNamedAsSuch) {
    const TestServers::TestCertificates certificates;
    certificates.trustAuthority();
    TestSupport::StderrCapture quiet;
    struct Case {
        const SSL_METHOD* method;
        int version;
        std::string sentence;
    };
    const Case cases[] = {
        {TLSv1_server_method(), 0, "The server offers only TLS 1.0, which is not safe."},
        {TLSv1_1_server_method(), 0, "The server offers only TLS 1.1, which is not safe."},
        {TLS_server_method(), TLS1_VERSION,
         "The server offers only versions of TLS older than 1.2, which are not safe."},
    };
    for (const auto& [method, version, sentence] : cases) {
        const OldTlsServer server(certificates.localhost(), method, version);
        if (!server.canOffer())
            GTEST_SKIP() << "this OpenSSL cannot offer TLS 1.0 or 1.1 at all";
        auto serving = TestServers::inBackground([&] { server.serveOnce(); });
        try {
            Vusk::TcpClient client(loopback(server.port()), true, 10240, {"127.0.0.1", 20s, -1});
            ADD_FAILURE() << "an outdated TLS version was accepted";
        } catch (const Vusk::TcpClientSecureFailure& failure) {
            EXPECT_EQ(failure.reason(), sentence) << quiet.text();
        }
        serving.get();
    }
}

TEST(TcpClient, ASilentServerOnTheTlsPortIsGivenUpAtTheConnectLimit) {
    ScriptedPop3Server server;
    auto connecting = TestServers::inBackground([&] {
        EXPECT_THROW(
            Vusk::TcpClient(loopback(server.port()), true, 10240, {"localhost", 200ms, -1}),
            Vusk::TcpClientSecureFailure);
    });
    EXPECT_TRUE(server.accept());
    connecting.get();
}

TEST(SigpipeBlock, AWriteToAVanishedPeerFailsInsteadOfEndingTheProcess) {
    // OpenSSL writes with plain `write`; this is what keeps a reset connection from raising
    // SIGPIPE, whose default action ends the process.
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    ::close(ends[1]);
    {
        Vusk::SigpipeBlock noSigpipe;
        errno = 0;
        EXPECT_EQ(::write(ends[0], "QUIT\r\n", 6), -1);
        EXPECT_EQ(errno, EPIPE);
    }
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    EXPECT_EQ(sigismember(&pending, SIGPIPE), 0);
    sigset_t mask;
    pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    EXPECT_EQ(sigismember(&mask, SIGPIPE), 0);
    ::close(ends[0]);
}
