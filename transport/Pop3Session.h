#pragma once

#include "transport/Pop3Reply.h"
#include "transport/TcpClientListener.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
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
    /// The inactivity limit of the replies to USER and PASS: servers answer a wrong password
    /// late on purpose, some exactly when the usual limit runs out.
    std::chrono::milliseconds login{30000};
    /// One account's whole check, from the name lookup to QUIT: a server that answers every
    /// command slowly but in time must not keep it busy for hours.
    std::chrono::milliseconds check{120000};
    /// The bytes one account's check may fetch; past them the walk ends as at the time limit.
    std::size_t checkBytes = 16 * 1024 * 1024;
};

/// Why the last operation of a Pop3Session returned false.
///
/// After `connect` fails, Tls means the TLS set-up failed (an untrusted certificate or one for
/// another host among the causes) and anything else means no POP3 connection could be made.
/// After a login fails, Refused means the server turned the login down; anything else means
/// the connection failed on the way.
enum class Pop3Failure {
    None,
    Connect, ///< no TCP connection: unknown name, refused, unreachable, or no answer in time
    Tls,     ///< the TLS handshake failed
    Refused, ///< the server answered with a negative status line ("-ERR ...")
    /// The log-in was refused for now, not for its password: "-ERR [LOGIN-DELAY]" (too soon
    /// after the last one) or "-ERR [IN-USE]" (the mailbox is locked by another session).
    Busy,
    NoReply,   ///< the reply was not complete within the time limits
    Closed,    ///< the connection is gone, or out of step after an earlier reply went wrong
    TooLong,   ///< a line or the whole reply was longer than the size limit
    Stopped,   ///< the owner's stop descriptor became readable
    Malformed, ///< a positive reply without what the command asks for (STAT without a count)
    OutOfTime, ///< the deadline of the whole check passed
};

/// What the server said it can do when asked with CAPA (RFC 2449); nothing when it refused.
struct Pop3Capabilities {
    bool top = false;
    /// UIDL: every message has a unique id that stays the same from session to session.
    bool uidl = false;
    /// Commands may be sent several at a time, without waiting for each reply (RFC 2449).
    bool pipelining = false;
    /// Header text may be UTF-8 once the UTF8 command was given (RFC 6856).
    bool utf8 = false;
    /// LOGIN-DELAY: the least time between two log-ins; zero when the server named none.
    std::chrono::seconds loginDelay{0};
};

/// The client side of a POP3 dialogue over plain TCP or TLS: USER and PASS, STAT, TOP and QUIT,
/// each answered true or false. Every wait returns when the reply is complete, the connection
/// is gone, a time limit has passed, or a stop was requested; nothing throws.
///
/// Commands can be asked for ahead of their replies (`ask...`) and the replies read after, in
/// the same order (`read...`). When the server pipelines, everything asked for goes out in one
/// write at the next read; otherwise each command goes out alone when its reply is read, after
/// the reply before it, exactly as the one-call operations do. Either way the replies are the
/// same, so callers need not care which the server does. Nothing is ever sent behind PASS
/// before its reply: some servers drop whatever arrived before the log-in was done.
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

    /// Connects, waits for a positive greeting and asks for the capabilities. A server that
    /// offers UTF8 is sent that command ahead of the login, so that it serves 8-bit headers as
    /// they are: some servers otherwise hand out a stub without any Received line.
    bool connect();

    /// USER, then PASS once USER was accepted. A login or password holding a line break is
    /// refused without sending anything: it would end the command early.
    bool logIn(std::string_view login, std::string_view password);
    /// On success reads the message count and the mailbox size of the status line; a status
    /// line without a count fails as Malformed, and either number left out or not fitting
    /// leaves its argument as it was.
    bool stat(int& count, long long& size);
    /// On success `header` receives the reply after its status line, "." line included. A
    /// reply that did not end with its "." line fails; `header` is then left as it was.
    bool top(int number, int lines, std::string& header);
    bool quit();
    /// Closes the connection.
    void disconnect();

    /// The same operations in two halves, for pipelining. `askLogIn` returns false, asking for
    /// nothing, when the login or password holds a line break.
    bool askLogIn(std::string_view login, std::string_view password);
    void askStat();
    void askTop(int number, int lines);
    /// UIDL for one message.
    void askUidl(int number);
    bool readLogIn();
    bool readStat(int& count, long long& size);
    bool readTop(std::string& header);
    /// On success `id` receives the message's unique id; a reply without a valid one (1 to 70
    /// printable characters) fails as Malformed, the session still in step.
    bool readUidl(std::string& id);
    /// Gives up the commands asked for whose replies were not read: those not sent yet never
    /// are, the replies of the others are read and dropped. False when one of those replies
    /// broke the session.
    bool dropUnread();

    /// Every wait, the connection's included, ends by this moment at the latest, as
    /// OutOfTime; the limit of the whole check, shared by the sessions it opens.
    void setDeadline(std::chrono::steady_clock::time_point deadline) { m_deadline = deadline; }
    /// The bytes received since the session was made, over every connection it opened.
    std::size_t bytesReceived() const { return m_bytesReceived; }

    /// False sends every command alone, whatever the server offers; set before `connect`.
    void setPipelining(bool allowed) { m_pipeliningAllowed = allowed; }
    /// True once a reply to a command sent behind another in one batch never came, while the
    /// reply before it did: the server may lose pipelined commands.
    bool pipelineStalled() const { return m_pipelineStalled; }

    const Pop3Capabilities& capabilities() const { return m_capabilities; }
    Pop3Failure failure() const { return m_failure; }
    /// Why the last operation failed, as a sentence for the user, with the server's own words
    /// when it gave any: "The server refused the log-in: [AUTH] Authentication failed.".
    std::string failureReason() const;

private:
    enum class Kind {
        Plain,
        Login, ///< USER: waits the login limit
        Pass,  ///< waits the login limit, and nothing is sent behind it before its reply
        /// Asked for by the session itself; its reply is read and dropped before the next one.
        Internal,
    };

    struct Request {
        std::string text;
        bool multiLine = false;
        Kind kind = Kind::Plain;
        bool sent = false;
        /// Sent in one write behind another command, whose reply comes first.
        bool behindAnother = false;

        bool isLogin() const { return kind == Kind::Login || kind == Kind::Pass; }
        /// The command as a message names it: "STAT", "TOP 7", "PASS".
        std::string name() const;
    };

    bool onData(const char* bytes, std::size_t length) override;
    void onError(int code) override;
    void onClose() override;

    void ask(std::string text, bool multiLine, Kind kind = Kind::Plain);
    /// Waits for the reply to the oldest request, sending what may go out before.
    bool readReply();
    bool sendAsked();
    /// The moment `limit` from now, or the check's deadline when that comes first.
    std::chrono::steady_clock::time_point until(std::chrono::milliseconds limit) const;
    /// `limit`, or what is left until the check's deadline when that is less.
    std::chrono::milliseconds left(std::chrono::milliseconds limit) const;
    /// What a wait that ended early means: a stop request, the check's deadline, or `otherwise`.
    Pop3Failure brokenBy(Pop3Failure otherwise) const;
    bool waitReply(const Request& request);
    std::chrono::milliseconds inactivityOf(const Request& request) const;
    /// CAPA, and UTF8 asked for when offered; false only when the session broke on the way.
    bool readCapabilities();
    /// Gives the connection up for any further command: a reply went wrong.
    void breakOff();
    bool fail(Pop3Failure why);
    /// A refused log-in: Busy when the server's response code says "not now", else Refused.
    bool failLogIn();

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
    Pop3Capabilities m_capabilities;
    bool m_pipeliningAllowed = true;
    bool m_pipelineStalled = false;
    /// Commands asked for whose replies were not read yet, oldest first.
    std::deque<Request> m_requests;
    /// What the failure reason names: the command whose reply failed ("" for the greeting),
    /// the server's words after a refusal, why a connection could not be made.
    std::string m_failedCommand;
    std::string m_serverText;
    std::string m_connectCause;
    /// The limit the failed reply ran out of; the whole reply's, or the pause after its last
    /// part.
    std::chrono::milliseconds m_waited{0};
    bool m_replyTooSlow = false;
    std::chrono::steady_clock::time_point m_deadline = std::chrono::steady_clock::time_point::max();
    std::size_t m_bytesReceived = 0;
};
