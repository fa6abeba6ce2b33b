#pragma once

#include "transport/Pop3Reply.h"
#include "transport/TcpClientListener.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace Vusk {
class TcpClient;
}

/// Time and size limits of a POP3 session. The defaults are the program's; tests shorten them.
struct Pop3Limits {
    /// A reply is given up this long after the last data arrived...
    std::chrono::milliseconds inactivity{5000};
    /// ...and this long after it was asked for, however slowly it keeps coming.
    std::chrono::milliseconds reply{60000};
    /// Looking the server's name up; then connecting and the TLS handshake together.
    std::chrono::milliseconds connect{20000};
    /// A longer reply line, or a longer whole reply, fails the command.
    std::size_t replySize = Pop3Reply::kDefaultSizeLimit;
};

/// Why the last operation of a Pop3Session returned false.
///
/// After `connect` fails, Tls means the TLS set-up failed (an untrusted certificate or one for
/// another host among the causes) and anything else means no POP3 connection could be made.
/// After `user` or `pass` fails, Refused means the server turned the login down; anything else
/// means the connection failed on the way.
enum class Pop3Failure {
    None,
    Connect, ///< no TCP connection: unknown name, refused, unreachable, or no answer in time
    Tls,     ///< the TLS handshake failed
    Refused, ///< the server answered with a negative status line ("-ERR ...")
    NoReply, ///< the reply was not complete within the time limits
    Closed,  ///< the connection is gone, or out of step after an earlier reply went wrong
    TooLong, ///< a line or the whole reply was longer than the size limit
    Stopped, ///< the owner's stop descriptor became readable
};

/// The client side of a POP3 dialogue over plain TCP or TLS: USER, PASS, STAT, TOP and QUIT,
/// each answered true or false. Every operation returns when the reply is complete, the
/// connection is gone, a time limit has passed, or a stop was requested; none throws.
class Pop3Session : public Vusk::TcpClientListener {
public:
    /// Does not connect yet. `stopDescriptor` (-1 for none) is watched by every wait, the name
    /// lookup included, so the owner can end any of them at once, for instance with
    /// Norq::Thread::stopDescriptor.
    Pop3Session(std::string_view hostName, std::uint16_t port, bool secure, int stopDescriptor = -1,
                const Pop3Limits& limits = {});
    Pop3Session(const Pop3Session&) = delete;
    Pop3Session& operator=(const Pop3Session&) = delete;
    ~Pop3Session() override;

    /// Connects and waits for a positive greeting.
    bool connect();
    bool user(std::string_view login);
    bool pass(std::string_view password);
    /// On success reads the two numbers of the status line into `count` and `size`; numbers
    /// that are missing or do not fit leave them as they were.
    bool stat(int& count, long long& size);
    /// On success `header` receives the reply after its status line, "." line included. A
    /// reply whose "." line never came (silence or a closed connection) still succeeds with
    /// the lines received so far. On failure `header` is left as it was.
    bool top(int number, int lines, std::string& header);
    bool quit();
    /// Closes the connection.
    void disconnect();

    Pop3Failure failure() const { return m_failure; }
    /// After `connect` failed with Pop3Failure::Tls: why, as a sentence for the user (an
    /// untrusted certificate, one for another host name...); empty otherwise.
    const std::string& tlsFailureReason() const { return m_tlsFailureReason; }

private:
    bool onData(const char* bytes, std::size_t length) override;
    void onError(int code) override;
    void onClose() override;

    bool command(std::string_view bytes, bool multiLine);
    bool waitReply(bool multiLine);
    bool fail(Pop3Failure why);

    std::unique_ptr<Vusk::TcpClient> m_client;
    Pop3Reply m_reply;
    std::uint16_t m_port;
    bool m_secure;
    /// Set when the connection ended or a reply went wrong, after which the next reply could
    /// not be told from the rest of the last one; every later command fails at once.
    bool m_closed = false;
    std::string m_hostName;
    int m_stopDescriptor;
    Pop3Limits m_limits;
    Pop3Failure m_failure = Pop3Failure::None;
    std::string m_tlsFailureReason;
};
