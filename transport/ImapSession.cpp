#include "transport/ImapSession.h"

#include "transport/ReplyWait.h"
#include "transport/ServerWords.h"

#include "foundation/AsciiText.h"
#include "transport/SocketAddress.h"
#include "transport/SocketWait.h"
#include "transport/TcpClient.h"
#include "transport/TcpClientFailure.h"

#include <algorithm>
#include <arpa/inet.h>
#include <map>
#include <openssl/evp.h>
#include <utility>

namespace {

// Socket buffers and receive chunks, as for POP3.
constexpr int kBufferSize = 10240;

// A set of UIDs longer than this goes out as several commands: servers limit the length of a
// command line (8 KiB is the least RFC 7162 asks them to take).
constexpr std::size_t kLongestSet = 1000;

constexpr const char* kHeaderFetch =
    " (UID FLAGS INTERNALDATE BODY.PEEK[HEADER.FIELDS (FROM SUBJECT DATE MESSAGE-ID)])\r\n";

bool isWord(std::string_view word, std::string_view expected) {
    return Norq::equalsIgnoringAsciiCase(word, expected);
}

// A NUL cannot be sent at all, and a line break would end the command early.
bool holdsUnsendable(std::string_view text) {
    return text.find_first_of(std::string_view("\0\r\n", 3)) != std::string_view::npos;
}

// A quoted string holds printable ASCII but for the quote and the backslash; anything else
// goes as a literal.
bool isQuotable(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c >= ' ' && c <= '~' && c != '"' && c != '\\'; });
}

// Appends `text` as an IMAP string to the command being built: quoted where it can be, else as
// a literal, which starts a new part to go out after the server's continuation response.
void appendString(std::vector<std::string>& parts, std::string_view text) {
    if (isQuotable(text)) {
        parts.back() += "\"" + std::string(text) + "\"";
        return;
    }
    parts.back() += "{" + std::to_string(text.size()) + "}\r\n";
    parts.emplace_back(text);
}

std::string base64(std::string_view bytes) {
    std::string encoded(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()),
                                       reinterpret_cast<const unsigned char*>(bytes.data()),
                                       static_cast<int>(bytes.size()));
    encoded.resize(static_cast<std::size_t>(length));
    return encoded;
}

// "1:3,7,9:12": the UIDs sorted, runs written as ranges, in sets short enough for one command.
std::vector<std::string> uidSets(std::vector<std::uint32_t> uids) {
    std::sort(uids.begin(), uids.end());
    uids.erase(std::unique(uids.begin(), uids.end()), uids.end());
    std::erase(uids, 0u); // not a UID
    std::vector<std::string> sets;
    std::string set;
    for (std::size_t first = 0; first < uids.size();) {
        std::size_t last = first;
        while (last + 1 < uids.size() && uids[last + 1] == uids[last] + 1)
            ++last;
        std::string range = std::to_string(uids[first]);
        if (last > first)
            range += ":" + std::to_string(uids[last]);
        if (!set.empty() && set.size() + 1 + range.size() > kLongestSet)
            sets.push_back(std::exchange(set, {}));
        set += (set.empty() ? "" : ",") + range;
        first = last + 1;
    }
    if (!set.empty())
        sets.push_back(set);
    return sets;
}

// A UID read from a response code's argument ("[UIDVALIDITY 3857529045]").
bool readCodeNumber(std::string_view argument, std::uint32_t& value) {
    ImapReader reader(argument);
    return reader.readNumber(value) && reader.atEnd();
}

// "* 5 EXISTS", "* 2 EXPUNGE", "* 3 FETCH (FLAGS (\Seen))", "* 1 RECENT": the server tells of
// a change to the mailbox. Sets `changed` for those; false when the response cannot be read.
bool readNews(ImapReader& reader, bool& changed) {
    std::uint32_t number = 0;
    std::string_view what;
    if (!reader.readNumber(number) || !reader.skip(' ') || !reader.readAtom(what))
        return false;
    changed |= isWord(what, "EXISTS") || isWord(what, "EXPUNGE") || isWord(what, "FETCH") ||
               isWord(what, "RECENT");
    return true;
}

struct Fetched {
    ImapMessage message;
    bool hasHeader = false;
};

// The flags of a FETCH response, "(\Seen \Answered)"; true when they could be read.
bool readFlags(ImapReader& reader, bool& seen) {
    if (!reader.skip('('))
        return false;
    seen = false;
    for (;;) {
        while (reader.skip(' ')) {
        }
        if (reader.skip(')'))
            return true;
        std::string_view flag;
        if (!reader.readAtom(flag))
            return false;
        seen |= isWord(flag, "\\Seen");
    }
}

// One untagged "<n> FETCH (...)" response: its attributes, in any order, added to what was
// fetched of a wanted message. A FETCH without a UID, or for a UID not asked for, is something
// the server tells on its own and is passed over; false only when it cannot be read.
bool readFetch(ImapReader& reader, const std::vector<std::uint32_t>& wanted,
               std::map<std::uint32_t, Fetched>& fetched) {
    std::uint32_t number = 0;
    if (!reader.atDigit())
        return true;
    if (!reader.readNumber(number) || !reader.skip(' '))
        return false;
    if (!reader.skipWord("FETCH"))
        return true; // EXISTS, EXPUNGE, RECENT
    if (!reader.skip(' ') || !reader.skip('('))
        return false;
    ImapMessage message;
    bool hasUid = false;
    bool hasFlags = false;
    bool hasDate = false;
    bool hasHeader = false;
    for (;;) {
        while (reader.skip(' ')) {
        }
        if (reader.skip(')'))
            break;
        std::string_view name;
        if (!reader.readAtom(name))
            return false;
        const bool section = reader.skipSection();
        if (isWord(name, "BODY") && section) {
            bool nil = false;
            if (!reader.skip(' ') || !reader.readNString(message.header, nil))
                return false;
            hasHeader = true;
            continue;
        }
        if (!reader.skip(' '))
            return false;
        if (isWord(name, "UID")) {
            if (!reader.readNumber(message.uid))
                return false;
            hasUid = true;
        } else if (isWord(name, "FLAGS")) {
            if (!readFlags(reader, message.seen))
                return false;
            hasFlags = true;
        } else if (isWord(name, "INTERNALDATE")) {
            if (!reader.readString(message.internalDate))
                return false;
            hasDate = true;
        } else if (!reader.skipValue()) {
            return false;
        }
    }
    if (!hasUid || !std::binary_search(wanted.begin(), wanted.end(), message.uid))
        return true;
    // A server may tell one message's parts in several responses.
    Fetched& into = fetched[message.uid];
    into.message.uid = message.uid;
    if (hasFlags)
        into.message.seen = message.seen;
    if (hasDate)
        into.message.internalDate = std::move(message.internalDate);
    if (hasHeader) {
        into.message.header = std::move(message.header);
        into.hasHeader = true;
    }
    return true;
}

} // namespace

const ImapSession::Command ImapSession::kSearchUnseen{"UID SEARCH", {"UID SEARCH UNSEEN\r\n"}};
const ImapSession::Command ImapSession::kLogOut{"LOGOUT", {"LOGOUT\r\n"}};

ImapSession::ImapSession(std::string_view hostName, std::uint16_t port, ImapSecurity security,
                         int stopDescriptor, const Pop3Limits& limits)
    : m_response(limits.replySize), m_hostName(hostName), m_port(port), m_security(security),
      m_stopDescriptor(stopDescriptor), m_limits(limits) {}

ImapSession::~ImapSession() {
    disconnect();
}

bool ImapSession::connect() {
    disconnect();
    m_closed = false;
    m_authenticated = false;
    m_response = ImapResponse(m_limits.replySize);
    m_capabilities = {};
    m_capabilitiesKnown = false;
    m_nextTag = 1;
    m_cause.clear();
    m_byeText.clear();
    m_alert.clear();
    m_failedCommand.clear();
    m_serverText.clear();
    try {
        // The name is looked up at each connect, where a stop request can end the wait.
        const Vusk::SocketAddress address(m_hostName, htons(m_port), until(m_limits.connect),
                                          m_stopDescriptor);
        m_client = std::make_unique<Vusk::TcpClient>(
            address, m_security == ImapSecurity::Tls, kBufferSize,
            Vusk::TcpConnectOptions{m_hostName, left(m_limits.connect), m_stopDescriptor});
    } catch (const Vusk::TcpClientSecureFailure& failure) {
        m_cause = failure.reason();
        return fail(brokenBy(ImapFailure::Tls));
    } catch (const Vusk::TcpClientFailure& failure) {
        m_cause = failure.reason();
        return fail(brokenBy(ImapFailure::Connect));
    }
    m_client->setListener(this);

    if (readGreeting() && readCapabilities() && (m_security == ImapSecurity::Tls || startTls()))
        return true;
    disconnect();
    return false;
}

bool ImapSession::readGreeting() {
    m_inactivity = m_limits.inactivity;
    m_replyDeadline = Vusk::deadlineAfter(m_limits.reply);
    if (!waitResponse())
        return false;
    std::string_view greeting;
    const bool read =
        m_response.kind() == ImapResponse::Kind::Untagged && noteUntagged([&](ImapReader& reader) {
            ImapResponseText text;
            if (!readStatus(reader, greeting, text))
                return false;
            m_serverText = serverWords(text.text);
            return true;
        });
    if (!read || greeting == "NO" || greeting == "BAD")
        return failMalformed();
    m_response.reset();
    if (greeting == "BYE")
        return fail(ImapFailure::Refused);
    m_authenticated = greeting == "PREAUTH";
    return true;
}

bool ImapSession::startTls() {
    if (m_authenticated) {
        // A STARTTLS is not allowed once logged in, and whoever sits on the path can send a
        // PREAUTH greeting as easily as the server.
        m_cause = "The server logged in before the connection was secure, so it was not used.";
        return fail(ImapFailure::NoTls);
    }
    if (!m_capabilities.startTls) {
        m_cause = "The server does not offer to make the connection secure (STARTTLS); nothing "
                  "was sent to it.";
        return fail(ImapFailure::NoTls);
    }
    if (!run({"STARTTLS", {"STARTTLS\r\n"}})) {
        if (m_failure == ImapFailure::Refused) {
            m_cause = withWords("The server refused to make the connection secure", m_serverText);
            m_failure = ImapFailure::NoTls;
        }
        return false;
    }
    if (!m_response.isEmpty()) {
        // Bytes in plain text behind the OK would pass for the server's once TLS is up.
        m_cause = "The server sent more after agreeing to make the connection secure.";
        breakOff();
        return fail(ImapFailure::Tls);
    }
    try {
        m_client->startTls(left(m_limits.connect));
    } catch (const Vusk::TcpClientSecureFailure& failure) {
        m_cause = failure.reason();
        breakOff();
        return fail(brokenBy(ImapFailure::Tls));
    }
    // What the server offered in plain text may have been changed on the way.
    m_capabilities = {};
    m_capabilitiesKnown = false;
    return readCapabilities();
}

bool ImapSession::readCapabilities() {
    if (m_capabilitiesKnown)
        return true;
    if (run({"CAPABILITY", {"CAPABILITY\r\n"}}))
        return true;
    // A server that refuses is used without anything it did not offer.
    if (m_failure != ImapFailure::Refused)
        return false;
    m_failure = ImapFailure::None;
    return true;
}

bool ImapSession::logIn(std::string_view login, std::string_view password) {
    m_cause.clear();
    m_serverText.clear();
    m_failedCommand = m_capabilities.authPlain ? "AUTHENTICATE" : "LOGIN";
    if (!m_client || m_closed)
        return fail(ImapFailure::Closed);
    if (m_authenticated) {
        m_failure = ImapFailure::None;
        return true;
    }
    if (!m_client->isSecure()) {
        m_cause = "The connection is not secure, so the password was not sent.";
        return fail(ImapFailure::NoTls);
    }
    if (holdsUnsendable(login) || holdsUnsendable(password)) {
        m_cause = "The login or the password holds a line break or a NUL character, which "
                  "cannot be sent.";
        return fail(ImapFailure::Refused);
    }
    Command command{m_failedCommand, {}, true};
    if (m_capabilities.authPlain) {
        // RFC 4616: no authorisation identity, the login, the password.
        const std::string answer =
            base64(std::string(1, '\0') + std::string(login) + '\0' + std::string(password));
        if (m_capabilities.saslIr)
            command.parts = {"AUTHENTICATE PLAIN " + answer + "\r\n"};
        else
            command.parts = {"AUTHENTICATE PLAIN\r\n", answer + "\r\n"};
    } else if (m_capabilities.loginDisabled) {
        m_cause = "The server does not allow logging in with a password here (LOGINDISABLED).";
        return fail(ImapFailure::Refused);
    } else {
        command.parts = {"LOGIN "};
        appendString(command.parts, login);
        command.parts.back() += " ";
        appendString(command.parts, password);
        command.parts.back() += "\r\n";
    }
    // Servers announce what they offer once logged in with the OK, or are asked.
    m_capabilitiesKnown = false;
    if (!run(command))
        return false;
    m_authenticated = true;
    return readCapabilities();
}

bool ImapSession::examine(std::string_view mailbox, ImapMailboxState& state,
                          std::vector<std::uint32_t>* unseen) {
    return open("EXAMINE", mailbox, state, unseen);
}

bool ImapSession::select(std::string_view mailbox, ImapMailboxState& state) {
    return open("SELECT", mailbox, state, nullptr);
}

bool ImapSession::open(std::string_view verb, std::string_view mailbox, ImapMailboxState& state,
                       std::vector<std::uint32_t>* unseen) {
    Command command{std::string(verb), {std::string(verb) + " "}};
    appendString(command.parts, mailbox);
    command.parts.back() += "\r\n";
    ImapMailboxState found;
    const Untagged read = [&](ImapReader& reader) {
        if (reader.atDigit()) {
            std::uint32_t number = 0;
            if (!reader.readNumber(number) || !reader.skip(' '))
                return false;
            if (reader.skipWord("EXISTS"))
                found.exists = number;
            return true;
        }
        std::string_view status;
        ImapResponseText text;
        if (!readStatus(reader, status, text) || !isWord(status, "OK"))
            return true;
        if (isWord(text.code, "UIDVALIDITY"))
            return readCodeNumber(text.argument, found.uidValidity);
        if (isWord(text.code, "UIDNEXT"))
            return readCodeNumber(text.argument, found.uidNext);
        return true;
    };
    if (unseen == nullptr) {
        if (!run(command, read))
            return false;
        state = found;
        return true;
    }
    UnseenSearch search;
    if (runTogether({{command, read}, {kSearchUnseen, searchReader(search)}}) < 2)
        return false;
    state = found;
    return settleSearch(search, *unseen);
}

bool ImapSession::searchUnseen(std::vector<std::uint32_t>& uids) {
    UnseenSearch search;
    return run(kSearchUnseen, searchReader(search)) && settleSearch(search, uids);
}

ImapSession::Untagged ImapSession::searchReader(UnseenSearch& search) {
    return [&search](ImapReader& reader) {
        if (reader.atDigit())
            return readNews(reader, search.changed);
        if (!reader.skipWord("SEARCH"))
            return true;
        while (reader.skip(' ') && !reader.atEnd()) {
            std::uint32_t uid = 0;
            if (!reader.readNumber(uid))
                return false;
            search.found.push_back(uid);
        }
        return reader.atEnd();
    };
}

bool ImapSession::settleSearch(UnseenSearch& search, std::vector<std::uint32_t>& uids) {
    // Some servers (Dovecot among them) search the mailbox as they last showed it, and tell
    // what changed since only after the results: a search that came with such news is asked
    // again, once, to see the mailbox as it is now.
    if (search.changed) {
        search = {};
        if (!run(kSearchUnseen, searchReader(search)))
            return false;
    }
    std::sort(search.found.begin(), search.found.end());
    search.found.erase(std::unique(search.found.begin(), search.found.end()), search.found.end());
    uids = std::move(search.found);
    return true;
}

bool ImapSession::fetchHeaders(const std::vector<std::uint32_t>& uids,
                               std::vector<ImapMessage>& messages, bool thenLogOut) {
    m_fetchCut = false;
    std::vector<std::uint32_t> wanted = uids;
    std::sort(wanted.begin(), wanted.end());
    std::map<std::uint32_t, Fetched> fetched;
    const Untagged read = [&](ImapReader& reader) { return readFetch(reader, wanted, fetched); };
    const std::vector<std::string> sets = uidSets(uids);
    for (std::size_t index = 0; index < sets.size(); ++index) {
        if (m_bytesReceived > m_limits.checkBytes) {
            m_fetchCut = true;
            breakOff();
            disconnect();
            break;
        }
        Command command{"UID FETCH", {"UID FETCH " + sets[index] + kHeaderFetch}};
        command.cutAtCheckBytes = true;
        if (thenLogOut && index + 1 == sets.size()) {
            const std::size_t done = runTogether({{command, read}, {kLogOut, {}}});
            if (done == 0)
                return false;
            endSession(done == 2);
        } else if (!run(command, read)) {
            return false;
        }
        if (m_fetchCut)
            break;
    }
    messages.clear();
    for (auto& [uid, message] : fetched) {
        if (message.hasHeader)
            messages.push_back(std::move(message.message));
    }
    m_failure = ImapFailure::None;
    return true;
}

bool ImapSession::storeSeen(const std::vector<std::uint32_t>& uids) {
    for (const std::string& set : uidSets(uids)) {
        if (!run({"UID STORE", {"UID STORE " + set + " +FLAGS.SILENT (\\Seen)\r\n"}}))
            return false;
    }
    m_failure = ImapFailure::None;
    return true;
}

bool ImapSession::idle(std::chrono::milliseconds maxWait, bool& updated) {
    updated = false;
    bool bye = false;
    const Untagged watch = [&](ImapReader& reader) {
        bye |= reader.skipWord("BYE");
        return !reader.atDigit() || readNews(reader, updated);
    };
    Command command{"IDLE", {"IDLE\r\n"}};
    command.untilContinuation = true;
    m_cause.clear();
    if (!m_capabilities.idle) {
        m_failedCommand = command.name;
        m_cause = "The server does not offer IDLE.";
        return fail(ImapFailure::Refused);
    }
    if (!run(command, watch))
        return false;
    if (!m_continued)
        return !bye || fail(ImapFailure::Closed); // the server ended it at once

    const auto idleEnd = std::min(Vusk::deadlineAfter(maxWait), m_deadline);
    bool stopped = false;
    while (!updated && !bye) {
        if (m_response.isComplete()) {
            if (m_response.kind() != ImapResponse::Kind::Untagged || !noteUntagged(watch))
                return failMalformed();
            m_response.reset();
            continue;
        }
        if (m_response.isTooLong() || m_closed)
            break;
        const auto ready = m_client->waitReadable(idleEnd);
        if (ready == Vusk::WaitResult::Stopped) {
            stopped = true;
            break;
        }
        if (ready == Vusk::WaitResult::TimedOut)
            break;
        m_client->receiveAvailable();
    }
    if (bye) {
        breakOff();
        return fail(ImapFailure::Closed);
    }
    if (m_response.isTooLong()) {
        breakOff();
        return fail(ImapFailure::TooLong);
    }
    // A response cut short when the wait ended is completed by the reads after DONE.
    if (!send("DONE\r\n"))
        return false;
    if (stopped) {
        breakOff();
        return fail(ImapFailure::Stopped);
    }
    command.untilContinuation = false;
    prepare(command);
    return finish(command, command.parts.size(), watch) && (!bye || fail(ImapFailure::Closed));
}

bool ImapSession::logout() {
    return endSession(run(kLogOut));
}

bool ImapSession::endSession(bool loggedOut) {
    // The server says BYE first and may close before its OK gets through.
    const bool said = loggedOut || (m_failure == ImapFailure::Closed && !m_byeText.empty());
    disconnect();
    if (said)
        m_failure = ImapFailure::None;
    return said;
}

void ImapSession::disconnect() {
    if (m_client) {
        m_client->setListener(nullptr);
        m_client.reset();
    }
}

bool ImapSession::onData(const char* bytes, std::size_t length) {
    m_bytesReceived += length;
    return m_response.feed(bytes, length);
}

void ImapSession::onError(int) {
    m_closed = true;
}

void ImapSession::onClose() {
    m_closed = true;
}

bool ImapSession::run(const Command& command, const Untagged& untagged) {
    return runTogether({{command, untagged}}) == 1;
}

std::size_t ImapSession::runTogether(std::initializer_list<Step> steps) {
    std::vector<std::string> tags;
    for (const Step& step : steps) {
        if (!start(step.command))
            return 0;
        tags.push_back(m_tag);
    }
    std::size_t done = 0;
    for (const Step& step : steps) {
        m_tag = tags[done];
        prepare(step.command);
        if (!finish(step.command, 1, step.untagged)) {
            // The responses behind it would be read as this one's.
            if (done + 1 < tags.size())
                breakOff();
            return done;
        }
        ++done;
    }
    return done;
}

bool ImapSession::start(const Command& command) {
    prepare(command);
    if (!m_client || m_closed)
        return fail(ImapFailure::Closed);
    m_tag = "A" + std::to_string(m_nextTag++);
    return send(m_tag + " " + command.parts.front());
}

void ImapSession::prepare(const Command& command) {
    m_failedCommand = command.name;
    m_serverText.clear();
    m_cause.clear();
    m_continued = false;
    m_inactivity = command.isLogIn ? m_limits.login : m_limits.inactivity;
    m_replyDeadline = Vusk::deadlineAfter(m_limits.reply);
}

bool ImapSession::finish(const Command& command, std::size_t partsSent, const Untagged& untagged) {
    for (;;) {
        if (!waitResponse())
            return false;
        const ImapResponse::Kind kind = m_response.kind();
        if (kind == ImapResponse::Kind::Untagged) {
            if (!noteUntagged(untagged))
                return failMalformed();
            m_response.reset();
            if (command.cutAtCheckBytes && m_bytesReceived > m_limits.checkBytes) {
                // What is still on its way is not read: the connection goes with it.
                m_fetchCut = true;
                breakOff();
                disconnect();
                return true;
            }
            continue;
        }
        if (kind == ImapResponse::Kind::Continuation) {
            const std::size_t parts = command.parts.size();
            if (partsSent == parts && command.untilContinuation) {
                m_response.reset();
                m_continued = true;
                m_failure = ImapFailure::None;
                return true;
            }
            // Past the last part only AUTHENTICATE may meet one: a challenge PLAIN does not
            // have, which calls the exchange off (once), and the server answers with a refusal.
            if (partsSent > parts || (partsSent == parts && command.name != "AUTHENTICATE"))
                return failMalformed();
            m_response.reset();
            const std::string next = partsSent < parts ? command.parts[partsSent] : "*\r\n";
            ++partsSent;
            if (!send(next))
                return false;
            continue;
        }
        if (m_response.tag() != m_tag)
            return failMalformed();
        ImapReader reader(m_response.bytes());
        std::string_view tag;
        std::string_view status;
        ImapResponseText text;
        if (!reader.readAtom(tag) || !reader.skip(' ') || !readStatus(reader, status, text))
            return failMalformed();
        noteCode(text);
        const std::string words = serverWords(text.text);
        const bool busy = isWord(text.code, "UNAVAILABLE") || isWord(text.code, "INUSE");
        const std::string said = Norq::asciiLower(status);
        m_response.reset();
        if (said == "ok") {
            m_failure = ImapFailure::None;
            return true;
        }
        m_serverText = words;
        if (said == "no" || said == "bad")
            return fail(command.isLogIn && busy ? ImapFailure::Busy : ImapFailure::Refused);
        return failMalformed();
    }
}

bool ImapSession::send(std::string_view bytes) {
    if (!m_client || m_closed)
        return fail(ImapFailure::Closed);
    if (m_client->send(bytes, left(m_limits.inactivity)))
        return true;
    breakOff();
    return fail(brokenBy(ImapFailure::Closed));
}

bool ImapSession::waitResponse() {
    m_waited = m_inactivity;
    m_replyTooSlow = false;
    if (!m_client)
        return fail(ImapFailure::Closed);
    const ReplyWait wait =
        waitForReply(*m_client, m_response, m_closed, m_inactivity, m_replyDeadline, m_deadline);
    m_replyTooSlow = wait.replyTooSlow;
    if (m_replyTooSlow)
        m_waited = m_limits.reply;
    if (wait.end == ReplyWait::End::Complete)
        return true;
    // Whatever comes later would be read as the start of the next response.
    breakOff();
    switch (wait.end) {
    case ReplyWait::End::TooLong:
        return fail(ImapFailure::TooLong);
    case ReplyWait::End::Stopped:
        return fail(ImapFailure::Stopped);
    case ReplyWait::End::OutOfTime:
        return fail(ImapFailure::OutOfTime);
    case ReplyWait::End::NoReply:
        return fail(ImapFailure::NoReply);
    case ReplyWait::End::Complete:
    case ReplyWait::End::Closed:
        break;
    }
    return fail(ImapFailure::Closed);
}

bool ImapSession::noteUntagged(const Untagged& untagged) {
    ImapReader reader(m_response.bytes());
    if (!reader.skip('*') || !reader.skip(' '))
        return false;
    ImapReader look = reader;
    std::string_view status;
    ImapResponseText text;
    if (readStatus(look, status, text)) {
        noteCode(text);
        if (isWord(status, "BYE"))
            m_byeText = serverWords(text.text);
    } else if (look.skipWord("CAPABILITY")) {
        noteCapabilities(look.rest());
    }
    return !untagged || untagged(reader);
}

bool ImapSession::readStatus(ImapReader& reader, std::string_view& status, ImapResponseText& text) {
    const ImapReader start = reader;
    for (const char* word : {"OK", "NO", "BAD", "BYE", "PREAUTH"}) {
        if (reader.skipWord(word)) {
            status = word;
            text = reader.readText();
            return true;
        }
    }
    reader = start;
    return false;
}

void ImapSession::noteCode(const ImapResponseText& text) {
    if (isWord(text.code, "CAPABILITY"))
        noteCapabilities(text.argument);
    else if (isWord(text.code, "ALERT"))
        m_alert = serverWords(text.text.substr(text.text.find(']') + 1));
}

void ImapSession::noteCapabilities(std::string_view list) {
    m_capabilities = {};
    m_capabilitiesKnown = true;
    ImapReader reader(list);
    for (;;) {
        while (reader.skip(' ')) {
        }
        std::string_view name;
        if (!reader.readAtom(name))
            return;
        m_capabilities.idle |= isWord(name, "IDLE");
        m_capabilities.startTls |= isWord(name, "STARTTLS");
        m_capabilities.authPlain |= isWord(name, "AUTH=PLAIN");
        m_capabilities.saslIr |= isWord(name, "SASL-IR");
        m_capabilities.loginDisabled |= isWord(name, "LOGINDISABLED");
    }
}

Vusk::Clock::time_point ImapSession::until(std::chrono::milliseconds limit) const {
    return Vusk::deadlineWithin(limit, m_deadline);
}

std::chrono::milliseconds ImapSession::left(std::chrono::milliseconds limit) const {
    return Vusk::limitWithin(limit, m_deadline);
}

ImapFailure ImapSession::brokenBy(ImapFailure otherwise) const {
    if (Vusk::isStopRequested(m_stopDescriptor))
        return ImapFailure::Stopped;
    return Vusk::Clock::now() >= m_deadline ? ImapFailure::OutOfTime : otherwise;
}

void ImapSession::breakOff() {
    m_closed = true;
    m_response = ImapResponse(m_limits.replySize);
}

bool ImapSession::fail(ImapFailure why) {
    m_failure = why;
    return false;
}

bool ImapSession::failMalformed() {
    m_serverText = serverWords(m_response.bytes());
    breakOff();
    return fail(ImapFailure::Malformed);
}

std::string ImapSession::failureReason() const {
    const std::string after = m_failedCommand.empty() ? "its greeting" : m_failedCommand;
    const bool logIn = m_failedCommand == "LOGIN" || m_failedCommand == "AUTHENTICATE";
    switch (m_failure) {
    case ImapFailure::None:
        return {};
    case ImapFailure::Connect:
        return withWords("Could not connect to " + m_hostName + ":" + std::to_string(m_port),
                         m_cause);
    case ImapFailure::Tls:
        return m_cause.empty() ? "The secure connection could not be set up." : m_cause;
    case ImapFailure::NoTls:
        return m_cause;
    case ImapFailure::Refused:
        if (!m_cause.empty())
            return m_cause;
        if (m_failedCommand.empty())
            return withWords("The server turned the connection away", m_serverText);
        if (logIn)
            return withWords("The server refused the log-in", m_serverText);
        return withWords("The server refused " + m_failedCommand, m_serverText);
    case ImapFailure::Busy:
        return withWords("The server cannot let you log in just now", m_serverText);
    case ImapFailure::NoReply:
        return silenceReason(after, m_failedCommand, m_waited, m_replyTooSlow);
    case ImapFailure::Closed:
        if (!m_byeText.empty())
            return withWords("The server closed the connection", m_byeText);
        return "The server closed the connection before it answered " + after + ".";
    case ImapFailure::TooLong:
        return "The server's reply to " + after + " was longer than " +
               std::to_string(m_limits.replySize) + " bytes.";
    case ImapFailure::Stopped:
        return "The check was stopped.";
    case ImapFailure::OutOfTime:
        return "The check did not end within " + Vusk::limitText(m_limits.check) + ".";
    case ImapFailure::Malformed:
        return withWords("The server's reply to " + after + " could not be read", m_serverText);
    }
    return {};
}
