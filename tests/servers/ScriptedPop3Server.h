#pragma once

#include "tests/servers/TestCertificates.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <future>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using SSL = struct ssl_st;
using SSL_CTX = struct ssl_ctx_st;

namespace TestServers {

/// A POP3 peer on 127.0.0.1 that does exactly what the test tells it, for the behaviour a real
/// server will not show. The test plays the server on its own thread while the client runs
/// on another, so a test reads as the conversation itself:
///
///     auto connected = inBackground([&] { return session.connect(); });
///     server.say("+OK ready\r\n");
///     EXPECT_TRUE(connected.get());
///     auto login = inBackground([&] { return session.user("bob"); });
///     EXPECT_EQ(server.receiveLine(), "USER bob\r\n");
///
/// Every wait for the client gives up after `patience`, so a broken client fails its test
/// instead of hanging it. The conversation may turn to TLS at any point (`startTls`), as after
/// STARTTLS; it speaks any line protocol the test plays, IMAP as well.
class ScriptedPop3Server {
public:
    explicit ScriptedPop3Server(std::chrono::milliseconds patience = std::chrono::seconds(20));
    ScriptedPop3Server(const ScriptedPop3Server&) = delete;
    ScriptedPop3Server& operator=(const ScriptedPop3Server&) = delete;
    ~ScriptedPop3Server();

    std::uint16_t port() const { return m_port; }

    /// Waits for the client's connection; false if none came. `say`, `receiveLine` and
    /// `waitForClose` accept one by themselves when there is none yet.
    bool accept();
    /// Like `accept`, but the connection so far stays open, silent, until the server goes:
    /// for a client that tries again before it lets go of the first connection.
    bool acceptAnother();
    /// Sends exactly these bytes, as one write where the system allows; returns how many went
    /// out (fewer when the client stopped reading for `patience` or went away).
    std::size_t say(std::string_view bytes);
    /// The next line the client sent, through its LF; what had come when the client fell
    /// silent or closed if no LF came ("" for nothing).
    std::string receiveLine();
    /// Waits until the client has sent anything at all (a TLS hello, say) and returns all
    /// that came; "" when nothing did.
    std::string receiveSome();
    /// Everything the client has sent so far that no `receiveLine` took, without waiting.
    std::string unreadBytes();
    /// Waits until the client closes the connection; true if it did. What it sent on the way
    /// is kept for `unreadBytes`.
    bool waitForClose();
    /// Closes the connection from the server's end.
    void hangUp();
    /// Turns the connection into TLS from the server's end, with this certificate and key:
    /// waits for the client's handshake; false when it failed or never came. Everything after
    /// goes through TLS until `hangUp`.
    bool startTls(const CertificateFiles& files);

private:
    bool ensureConnection();
    /// Reads what is there, waiting at most `wait`; false once the client has closed.
    bool readSome(std::chrono::milliseconds wait);
    /// One write or read, through TLS once it was started; errno as for send and recv.
    long writeOnce(const char* bytes, std::size_t length);
    long readOnce(char* buffer, std::size_t capacity);
    /// Bytes TLS has taken in that no read has returned yet.
    bool holdsUnread() const;

    int m_listener = -1;
    int m_connection = -1;
    /// The TLS session on the connection, once started.
    SSL* m_tls = nullptr;
    SSL_CTX* m_tlsContext = nullptr;
    std::vector<int> m_silentConnections;
    std::uint16_t m_port = 0;
    bool m_peerClosed = false;
    std::string m_received;
    std::chrono::milliseconds m_patience;
};

/// The same peer playing an IMAP server.
using ScriptedImapServer = ScriptedPop3Server;

/// Runs the client's side of a conversation on its own thread; the result is the future's.
template <typename Work> auto inBackground(Work work) {
    return std::async(std::launch::async, std::move(work));
}

/// A port on 127.0.0.1 whose connection requests are never answered: its listener's queue is
/// full, so the system drops further requests and a client's connect stays pending.
class UnansweredPort {
public:
    UnansweredPort();
    UnansweredPort(const UnansweredPort&) = delete;
    UnansweredPort& operator=(const UnansweredPort&) = delete;
    ~UnansweredPort();

    std::uint16_t port() const { return m_port; }

private:
    int m_listener = -1;
    int m_filler = -1;
    std::uint16_t m_port = 0;
};

} // namespace TestServers
