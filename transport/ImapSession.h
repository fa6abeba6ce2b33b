#pragma once

#include "transport/ImapResponse.h"
#include "transport/Pop3Session.h"
#include "transport/TcpClientListener.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Vusk {
class TcpClient;
}

/// How an IMAP session makes its connection secure; there is no way without TLS.
enum class ImapSecurity {
    Tls,      ///< TLS from the first byte (usually port 993)
    StartTls, ///< plain TCP (usually port 143), made secure with STARTTLS before the log-in
};

/// Why the last operation of an ImapSession returned false. The same causes as a POP3
/// session's, and one of its own.
enum class ImapFailure {
    None,
    Connect, ///< no TCP connection: unknown name, refused, unreachable, or no answer in time
    Tls,     ///< the TLS handshake failed
    /// The connection could not be made secure: the server does not offer STARTTLS, refused
    /// it, or logged in before it. Nothing was sent that should not go in plain text.
    NoTls,
    Refused, ///< the server answered NO or BAD, or refused the connection ("* BYE")
    /// The log-in was refused for now, not for its password: "[UNAVAILABLE]" or "[INUSE]".
    Busy,
    NoReply,   ///< the response was not complete within the time limits
    Closed,    ///< the connection is gone, or out of step after an earlier reply went wrong
    TooLong,   ///< a response was longer than the size limit
    Stopped,   ///< the owner's stop descriptor became readable
    Malformed, ///< a response that could not be read, or that belongs to no command sent
    OutOfTime, ///< the deadline of the whole check passed
};

/// What the server said it can do (RFC 3501 CAPABILITY), as last announced.
struct ImapCapabilities {
    bool idle = false;
    bool startTls = false;
    /// AUTHENTICATE PLAIN.
    bool authPlain = false;
    /// AUTHENTICATE may carry its first answer on the command line (RFC 4959).
    bool saslIr = false;
    /// LOGIN is not allowed, usually until the connection is secure.
    bool loginDisabled = false;
};

/// What EXAMINE or SELECT tells about a mailbox.
struct ImapMailboxState {
    /// 0 when the server named none; UIDs are then not known to last from session to session.
    std::uint32_t uidValidity = 0;
    /// The UID the next message will get at least; 0 when the server named none.
    std::uint32_t uidNext = 0;
    std::uint32_t exists = 0;
};

/// One message's part of a header fetch.
struct ImapMessage {
    std::uint32_t uid = 0;
    bool seen = false;
    /// As the server wrote it: "17-Jul-1996 02:44:25 -0700".
    std::string internalDate;
    /// The header fields fetched, as raw bytes ending with the empty line.
    std::string header;
};

/// The client side of an IMAP dialogue (RFC 3501) over TLS or STARTTLS, for looking at a
/// mailbox: log-in, EXAMINE or SELECT, the UIDs of the unseen messages, their headers, marking
/// them seen, and IDLE. Every operation is answered true or false; every wait returns when the
/// response is complete, the connection is gone, a time limit has passed, or a stop was
/// requested; nothing throws. The limits are those of a POP3 session, with the same meaning.
///
/// Commands go out one at a time, tagged A1, A2..., but for a few that do not depend on each
/// other and go out together (EXAMINE and a search, the last fetch and LOGOUT); untagged responses
/// the server sends on its own (new messages, expunges, flag changes) may come anywhere and are
/// taken in stride. The password is never sent on a connection that is not secure.
class ImapSession : public Vusk::TcpClientListener {
public:
    /// Does not connect yet. `stopDescriptor` (-1 for none) is watched by every wait, the name
    /// lookup included, so the owner can end any of them at once.
    ImapSession(std::string_view hostName, std::uint16_t port, ImapSecurity security,
                int stopDescriptor = -1, const Pop3Limits& limits = {});
    ImapSession(const ImapSession&) = delete;
    ImapSession& operator=(const ImapSession&) = delete;
    ~ImapSession() override;

    /// Connects, reads the greeting ("* OK" or "* PREAUTH"; "* BYE" fails as Refused) and the
    /// capabilities; with StartTls, makes the connection secure and asks for the capabilities
    /// again. A server that cannot make the connection secure fails it as NoTls.
    bool connect();
    /// AUTHENTICATE PLAIN when the server offers it, else LOGIN. Fails without sending
    /// anything as NoTls when the connection is not secure, and as Refused when the server
    /// allows neither (LOGINDISABLED) or the login or password holds a NUL, CR or LF. True at
    /// once after a "* PREAUTH" greeting.
    bool logIn(std::string_view login, std::string_view password);
    /// Opens a mailbox read-only; nothing in it changes, \Recent flags included. With
    /// `unseen`, the search of `searchUnseen` goes out with the EXAMINE, and its answer comes in
    /// the same round trip.
    bool examine(std::string_view mailbox, ImapMailboxState& state,
                 std::vector<std::uint32_t>* unseen = nullptr);
    /// Opens a mailbox for changes, as `storeSeen` needs.
    bool select(std::string_view mailbox, ImapMailboxState& state);
    /// The UIDs of the messages without \Seen, in ascending order.
    bool searchUnseen(std::vector<std::uint32_t>& uids);
    /// The flags, arrival time and the From, Subject, Date and Message-ID fields of the
    /// messages with these UIDs, in ascending UID order, without marking any of them seen.
    /// Messages gone meanwhile are left out. Once the session has received the check's bytes
    /// (`Pop3Limits::checkBytes`) no more are taken: the result holds what came before,
    /// `fetchCut` says so, and the connection is closed. `thenLogOut` sends the LOGOUT with the
    /// last fetch, so that the session ends in its round trip.
    bool fetchHeaders(const std::vector<std::uint32_t>& uids, std::vector<ImapMessage>& messages,
                      bool thenLogOut = false);
    /// Whether the last `fetchHeaders` ended at the check's byte limit.
    bool fetchCut() const { return m_fetchCut; }
    /// Adds \Seen to these messages; needs `select`.
    bool storeSeen(const std::vector<std::uint32_t>& uids);
    /// Waits in IDLE (when `capabilities().idle`; Refused otherwise, without sending anything)
    /// until the server tells of a change to the mailbox (`updated` set), `maxWait` passes, or
    /// a stop is requested; then ends it with DONE. The caller renews it before 29 minutes,
    /// after which servers may drop the connection. A stop fails it as Stopped without waiting
    /// for the server; a connection cut or a "* BYE" fails it as Closed.
    bool idle(std::chrono::milliseconds maxWait, bool& updated);
    /// LOGOUT, then closes the connection.
    bool logout();
    /// Closes the connection.
    void disconnect();

    /// Every wait, the connection's included, ends by this moment at the latest, as OutOfTime.
    void setDeadline(std::chrono::steady_clock::time_point deadline) { m_deadline = deadline; }
    /// The bytes received since the session was made, over every connection it opened.
    std::size_t bytesReceived() const { return m_bytesReceived; }
    const ImapCapabilities& capabilities() const { return m_capabilities; }
    /// The text of the last "[ALERT]" the server sent, which it wants the user to read; the
    /// code itself left out.
    const std::string& alert() const { return m_alert; }

    ImapFailure failure() const { return m_failure; }
    /// Why the last operation failed, as a sentence for the user, with the server's own words
    /// when it gave any: "The server refused the log-in: [AUTHENTICATIONFAILED] Authentication
    /// failed.".
    std::string failureReason() const;

private:
    /// Handles an untagged response of the command running; false when it could not be read.
    using Untagged = std::function<bool(ImapReader&)>;

    struct Command {
        /// The name a message gives it: "LOGIN", "UID FETCH".
        std::string name;
        /// The command line without its tag, then what goes out after each continuation
        /// response (the literals of LOGIN, the answer to AUTHENTICATE), each with its CR LF.
        std::vector<std::string> parts;
        bool isLogIn = false;
        /// Done at the first continuation response once every part went out (IDLE).
        bool untilContinuation = false;
        /// Ends, successfully, once the check's bytes have been received (a header fetch).
        bool cutAtCheckBytes = false;
    };

    bool onData(const char* bytes, std::size_t length) override;
    void onError(int code) override;
    void onClose() override;

    struct Step {
        const Command& command;
        Untagged untagged;
    };
    /// What UID SEARCH UNSEEN answered.
    struct UnseenSearch {
        std::vector<std::uint32_t> found;
        /// The server told of changes to the mailbox along with it.
        bool changed = false;
    };
    static const Command kSearchUnseen;
    static const Command kLogOut;

    /// Sends the command and reads its responses up to its tagged one.
    bool run(const Command& command, const Untagged& untagged = {});
    /// Sends the commands (of a single part each) at once, then reads their responses in turn:
    /// one round trip for all. Returns how many succeeded; the first failure ends the reading.
    std::size_t runTogether(std::initializer_list<Step> steps);
    /// Sends the command's first part with its tag; false when the session broke on the way.
    bool start(const Command& command);
    /// Makes the command the one whose responses are read: its name, its time limits.
    void prepare(const Command& command);
    /// Reads the responses of the command `start` sent, up to its tagged one, sending its
    /// further parts at the continuation responses.
    bool finish(const Command& command, std::size_t partsSent, const Untagged& untagged);
    bool send(std::string_view bytes);
    /// Waits until the next response is complete.
    bool waitResponse();
    /// What every untagged response says to the session itself: capabilities, alerts, BYE.
    /// False when it could not be read.
    bool noteUntagged(const Untagged& untagged);
    /// The status word and text of a status response at the reader; false when there is none.
    bool readStatus(ImapReader& reader, std::string_view& status, ImapResponseText& text);
    /// What a response code tells the session itself: capabilities, an alert.
    void noteCode(const ImapResponseText& text);
    void noteCapabilities(std::string_view list);
    /// "* OK" or "* PREAUTH"; "* BYE" fails as Refused.
    bool readGreeting();
    bool readCapabilities();
    bool startTls();
    bool open(std::string_view verb, std::string_view mailbox, ImapMailboxState& state,
              std::vector<std::uint32_t>* unseen);
    static Untagged searchReader(UnseenSearch& search);
    /// The sorted UIDs of the search, asked again when it came with news.
    bool settleSearch(UnseenSearch& search, std::vector<std::uint32_t>& uids);
    /// Closes the connection after a LOGOUT, which succeeded when `loggedOut` or the server
    /// said goodbye before closing.
    bool endSession(bool loggedOut);

    std::chrono::steady_clock::time_point until(std::chrono::milliseconds limit) const;
    std::chrono::milliseconds left(std::chrono::milliseconds limit) const;
    ImapFailure brokenBy(ImapFailure otherwise) const;
    /// Gives the connection up for any further command: a response went wrong.
    void breakOff();
    bool fail(ImapFailure why);
    /// Malformed, naming the response that could not be read; breaks the session off.
    bool failMalformed();

    std::unique_ptr<Vusk::TcpClient> m_client;
    ImapResponse m_response;
    std::string m_hostName;
    std::uint16_t m_port;
    ImapSecurity m_security;
    int m_stopDescriptor;
    Pop3Limits m_limits;
    /// Set when the connection ended or a response went wrong, after which the next one could
    /// not be told from the rest of the last; every later command fails at once.
    bool m_closed = false;
    bool m_authenticated = false;
    bool m_fetchCut = false;
    unsigned m_nextTag = 1;
    std::string m_tag;
    ImapCapabilities m_capabilities;
    bool m_capabilitiesKnown = false;
    /// The limits of the command running: the pause after the last data, the whole reply.
    std::chrono::milliseconds m_inactivity{0};
    std::chrono::steady_clock::time_point m_replyDeadline;
    /// The last command ended at a continuation response rather than a tagged one.
    bool m_continued = false;
    /// What the failure reason names: the command whose response failed ("" for the
    /// greeting), the server's words, and why in the session's own words when it knows
    /// better than the server (a connection not made, or not made secure).
    std::string m_failedCommand;
    std::string m_serverText;
    std::string m_cause;
    std::string m_byeText;
    std::string m_alert;
    std::chrono::milliseconds m_waited{0};
    bool m_replyTooSlow = false;
    std::chrono::steady_clock::time_point m_deadline = std::chrono::steady_clock::time_point::max();
    std::size_t m_bytesReceived = 0;
    ImapFailure m_failure = ImapFailure::None;
};
