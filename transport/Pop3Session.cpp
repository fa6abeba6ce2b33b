#include "transport/Pop3Session.h"

#include "transport/ReplyWait.h"
#include "transport/ServerWords.h"

#include "transport/SocketAddress.h"
#include "transport/SocketWait.h"
#include "transport/TcpClient.h"
#include "transport/TcpClientFailure.h"

#include <algorithm>
#include <arpa/inet.h>
#include <charconv>
#include <cstdio>

namespace {

// Socket buffers and receive chunks; replies are header blocks, so this holds most whole.
constexpr int kBufferSize = 10240;

// A line break inside a login or password would end the command early and send the rest to
// the server as a command of its own.
bool holdsLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Reads the next unsigned decimal number after optional white space; false (and `value`
// unchanged) when there is none or it does not fit.
template <typename Number> bool readNumber(const char*& position, const char* end, Number& value) {
    while (position != end && isSpace(*position))
        ++position;
    Number parsed{};
    const auto [next, error] = std::from_chars(position, end, parsed);
    if (error != std::errc() || parsed < 0)
        return false;
    value = parsed;
    position = next;
    return true;
}

// Capability names are compared without regard to case (RFC 2449).
bool sameWord(std::string_view word, std::string_view upperCase) {
    return std::equal(
        word.begin(), word.end(), upperCase.begin(), upperCase.end(),
        [](char a, char b) { return (a >= 'a' && a <= 'z' ? a - 'a' + 'A' : a) == b; });
}

// Response codes (RFC 2449, 3206) that turn a log-in down for now, not for its password.
bool saysNotNow(std::string_view text) {
    const auto startsWith = [&](std::string_view code) {
        return text.size() >= code.size() && sameWord(text.substr(0, code.size()), code);
    };
    return startsWith("[LOGIN-DELAY]") || startsWith("[IN-USE]");
}

// What follows "-ERR" on a status line.
std::string statusWords(std::string_view statusLine) {
    return serverWords(statusLine.substr(std::min<std::size_t>(4, statusLine.size())));
}

} // namespace

std::string Pop3Session::Request::name() const {
    if (kind == Kind::Login)
        return "USER"; // the login name is nobody's business in a message
    if (kind == Kind::Pass)
        return "PASS";
    std::string_view command(text);
    command = command.substr(0, command.find("\r\n"));
    // "TOP 7 0": the line count is always 0 and says nothing; "UIDL 7" stays as it is.
    if (command.size() > 4 && command.substr(0, 4) == "TOP ")
        command = command.substr(0, command.rfind(' '));
    return std::string(command);
}

Pop3Session::Pop3Session(std::string_view hostName, std::uint16_t port, bool secure,
                         int stopDescriptor, const Pop3Limits& limits)
    : m_reply(limits.replySize), m_port(port), m_secure(secure), m_hostName(hostName),
      m_stopDescriptor(stopDescriptor), m_limits(limits) {}

Pop3Session::~Pop3Session() {
    disconnect();
}

bool Pop3Session::connect() {
    disconnect();
    m_closed = false;
    m_reply = Pop3Reply(m_limits.replySize);
    m_capabilities = {};
    m_pipelineStalled = false;
    m_connectCause.clear();
    try {
        // The name is looked up at each connect, where a stop request can end the wait.
        const Vusk::SocketAddress address(m_hostName, htons(m_port), until(m_limits.connect),
                                          m_stopDescriptor);
        m_client = std::make_unique<Vusk::TcpClient>(
            address, m_secure, kBufferSize,
            Vusk::TcpConnectOptions{m_hostName, left(m_limits.connect), m_stopDescriptor});
    } catch (const Vusk::TcpClientSecureFailure& failure) {
        m_connectCause = failure.reason();
        return fail(brokenBy(Pop3Failure::Tls));
    } catch (const Vusk::TcpClientFailure& failure) {
        m_connectCause = failure.reason();
        return fail(brokenBy(Pop3Failure::Connect));
    }
    m_client->setListener(this);
    if (waitReply(Request{}) && readCapabilities())
        return true;
    disconnect();
    return false;
}

bool Pop3Session::logIn(std::string_view login, std::string_view password) {
    return askLogIn(login, password) && readLogIn();
}

bool Pop3Session::stat(int& count, long long& size) {
    askStat();
    return readStat(count, size);
}

bool Pop3Session::top(int number, int lines, std::string& header) {
    askTop(number, lines);
    return readTop(header);
}

bool Pop3Session::quit() {
    ask("QUIT\r\n", false);
    return readReply();
}

void Pop3Session::disconnect() {
    m_requests.clear();
    if (m_client) {
        m_client->setListener(nullptr);
        m_client.reset();
    }
}

bool Pop3Session::askLogIn(std::string_view login, std::string_view password) {
    if (holdsLineBreak(login) || holdsLineBreak(password))
        return fail(Pop3Failure::Refused);
    ask("USER " + std::string(login) + "\r\n", false, Kind::Login);
    ask("PASS " + std::string(password) + "\r\n", false, Kind::Pass);
    return true;
}

void Pop3Session::askStat() {
    ask("STAT\r\n", false);
}

void Pop3Session::askTop(int number, int lines) {
    char text[64];
    std::snprintf(text, sizeof text, "TOP %d %d\r\n", number, lines);
    ask(text, true);
}

void Pop3Session::askUidl(int number) {
    ask("UIDL " + std::to_string(number) + "\r\n", false);
}

bool Pop3Session::readLogIn() {
    if (readReply()) {
        if (readReply())
            return true;
        return m_failure == Pop3Failure::Refused ? failLogIn() : false;
    }
    if (m_failure != Pop3Failure::Refused)
        return false;
    const std::string refusedUser = m_serverText;
    if (!m_requests.empty()) {
        // The PASS that went with the refused USER: never sent without pipelining; with it, its
        // reply must still be read to stay in step.
        if (m_requests.front().sent)
            readReply();
        else
            m_requests.pop_front();
    }
    m_failedCommand = "USER";
    m_serverText = refusedUser;
    return failLogIn();
}

bool Pop3Session::failLogIn() {
    return fail(saysNotNow(m_serverText) ? Pop3Failure::Busy : Pop3Failure::Refused);
}

bool Pop3Session::readStat(int& count, long long& size) {
    if (!readReply())
        return false;
    // The numbers follow "+OK", whatever its case: a status line that counts as positive
    // must not lose its numbers for being written in lower case.
    const std::string& line = m_reply.bytes();
    const char* position = line.data() + 3;
    const char* end = line.data() + line.size();
    if (!readNumber(position, end, count))
        return fail(Pop3Failure::Malformed);
    readNumber(position, end, size);
    return true;
}

bool Pop3Session::readTop(std::string& header) {
    if (!readReply())
        return false;
    const std::string& reply = m_reply.bytes();
    header = reply.substr(reply.find("\r\n") + 2);
    return true;
}

bool Pop3Session::readUidl(std::string& id) {
    if (!readReply())
        return false;
    // "+OK 7 <id>": the id follows the message number.
    const std::string& line = m_reply.bytes();
    const char* position = line.data() + 3;
    const char* end = line.data() + line.size();
    int number = 0;
    if (!readNumber(position, end, number))
        return fail(Pop3Failure::Malformed);
    while (position != end && isSpace(*position))
        ++position;
    const char* idEnd = std::find_if(position, end, isSpace);
    // RFC 1939: 1 to 70 characters from 0x21 to 0x7E.
    const std::size_t length = static_cast<std::size_t>(idEnd - position);
    if (length == 0 || length > 70 ||
        !std::all_of(position, idEnd, [](char c) { return c > ' ' && c <= '~'; }))
        return fail(Pop3Failure::Malformed);
    id.assign(position, idEnd);
    return true;
}

bool Pop3Session::dropUnread() {
    std::erase_if(m_requests, [](const Request& request) {
        return !request.sent && request.kind != Kind::Internal;
    });
    // What was sent is always the front of the queue.
    while (!m_requests.empty() && m_requests.front().sent) {
        const Request request = m_requests.front();
        m_requests.pop_front();
        if (!waitReply(request) && m_failure != Pop3Failure::Refused)
            return false;
    }
    m_failure = Pop3Failure::None;
    return true;
}

bool Pop3Session::onData(const char* bytes, std::size_t length) {
    m_bytesReceived += length;
    return m_reply.feed(bytes, length);
}

void Pop3Session::onError(int) {
    m_closed = true;
}

void Pop3Session::onClose() {
    m_closed = true;
}

void Pop3Session::ask(std::string text, bool multiLine, Kind kind) {
    m_requests.push_back({std::move(text), multiLine, kind});
}

std::chrono::milliseconds Pop3Session::inactivityOf(const Request& request) const {
    return request.isLogin() ? m_limits.login : m_limits.inactivity;
}

bool Pop3Session::readReply() {
    while (!m_requests.empty()) {
        if (!sendAsked())
            return false;
        const Request request = m_requests.front();
        m_requests.pop_front();
        const bool ok = waitReply(request);
        if (!ok && m_failure == Pop3Failure::NoReply && request.behindAnother)
            m_pipelineStalled = true;
        if (request.kind != Kind::Internal)
            return ok;
        // The session's own commands may be refused; only a broken session stops the caller.
        if (!ok && m_failure != Pop3Failure::Refused)
            return false;
    }
    return fail(Pop3Failure::Closed);
}

bool Pop3Session::sendAsked() {
    if (!m_client || m_closed)
        return fail(Pop3Failure::Closed);
    const bool pipelining = m_capabilities.pipelining && m_pipeliningAllowed;
    std::string batch;
    for (Request& request : m_requests) {
        if (!request.sent) {
            request.behindAnother = !batch.empty();
            batch += request.text;
            request.sent = true;
        }
        // Some servers drop whatever arrived before the log-in was done.
        if (!pipelining || request.kind == Kind::Pass)
            break;
    }
    if (batch.empty() || m_client->send(batch, left(m_limits.inactivity)))
        return true;
    breakOff();
    return fail(brokenBy(Pop3Failure::Closed));
}

Vusk::Clock::time_point Pop3Session::until(std::chrono::milliseconds limit) const {
    return Vusk::deadlineWithin(limit, m_deadline);
}

std::chrono::milliseconds Pop3Session::left(std::chrono::milliseconds limit) const {
    return Vusk::limitWithin(limit, m_deadline);
}

Pop3Failure Pop3Session::brokenBy(Pop3Failure otherwise) const {
    if (Vusk::isStopRequested(m_stopDescriptor))
        return Pop3Failure::Stopped;
    return Vusk::Clock::now() >= m_deadline ? Pop3Failure::OutOfTime : otherwise;
}

namespace {

Pop3Failure failureOf(ReplyWait::End end) {
    switch (end) {
    case ReplyWait::End::TooLong:
        return Pop3Failure::TooLong;
    case ReplyWait::End::Stopped:
        return Pop3Failure::Stopped;
    case ReplyWait::End::OutOfTime:
        return Pop3Failure::OutOfTime;
    case ReplyWait::End::NoReply:
        return Pop3Failure::NoReply;
    case ReplyWait::End::Complete:
    case ReplyWait::End::Closed:
        break;
    }
    return Pop3Failure::Closed;
}

} // namespace

bool Pop3Session::waitReply(const Request& request) {
    // Replies to pipelined commands may all have arrived with an earlier one.
    m_reply.reset(request.multiLine);
    m_failedCommand = request.name();
    m_serverText.clear();
    const auto inactivity = inactivityOf(request);
    m_waited = inactivity;
    m_replyTooSlow = false;
    if (!m_client)
        return fail(Pop3Failure::Closed);
    const ReplyWait wait = waitForReply(*m_client, m_reply, m_closed, inactivity,
                                        Vusk::deadlineAfter(m_limits.reply), m_deadline);
    m_replyTooSlow = wait.replyTooSlow;
    if (m_replyTooSlow)
        m_waited = m_limits.reply;

    if (m_reply.isComplete()) {
        if (m_reply.isOk()) {
            m_failure = Pop3Failure::None;
            return true;
        }
        m_serverText = statusWords(m_reply.bytes().substr(0, m_reply.bytes().find("\r\n")));
        return fail(Pop3Failure::Refused);
    }
    // Whatever comes later would be read as the start of the next reply; and a reply cut short
    // is never taken for a whole one, however much of it came.
    breakOff();
    return fail(failureOf(wait.end));
}

bool Pop3Session::readCapabilities() {
    ask("CAPA\r\n", true);
    if (!readReply()) {
        // A server that does not know CAPA is used without any of it.
        if (m_failure != Pop3Failure::Refused)
            return false;
        m_failure = Pop3Failure::None;
        return true;
    }
    const std::string& reply = m_reply.bytes();
    for (std::size_t start = reply.find("\r\n") + 2; start < reply.size();) {
        const std::size_t end = reply.find("\r\n", start);
        const std::string_view line(reply.data() + start, end - start);
        const std::string_view name = line.substr(0, line.find(' '));
        m_capabilities.top |= sameWord(name, "TOP");
        m_capabilities.uidl |= sameWord(name, "UIDL");
        m_capabilities.pipelining |= sameWord(name, "PIPELINING");
        m_capabilities.utf8 |= sameWord(name, "UTF8");
        if (sameWord(name, "LOGIN-DELAY")) {
            const char* position = line.data() + name.size();
            long long seconds = 0;
            if (readNumber(position, line.data() + line.size(), seconds))
                m_capabilities.loginDelay = std::chrono::seconds(seconds);
        }
        start = end + 2;
    }
    if (m_capabilities.utf8)
        ask("UTF8\r\n", false, Kind::Internal);
    return true;
}

void Pop3Session::breakOff() {
    m_closed = true;
    m_reply = Pop3Reply(m_limits.replySize);
    m_requests.clear();
}

bool Pop3Session::fail(Pop3Failure why) {
    m_failure = why;
    return false;
}

std::string Pop3Session::failureReason() const {
    const std::string after = m_failedCommand.empty() ? "its greeting" : m_failedCommand;
    switch (m_failure) {
    case Pop3Failure::None:
        return {};
    case Pop3Failure::Connect:
        return withWords("Could not connect to " + m_hostName + ":" + std::to_string(m_port),
                         m_connectCause);
    case Pop3Failure::Tls:
        return m_connectCause.empty() ? "The secure connection could not be set up."
                                      : m_connectCause;
    case Pop3Failure::Refused:
        if (m_failedCommand.empty())
            return withWords("The server turned the connection away", m_serverText);
        if (m_failedCommand == "USER" || m_failedCommand == "PASS")
            return withWords("The server refused the log-in", m_serverText);
        return withWords("The server refused " + m_failedCommand, m_serverText);
    case Pop3Failure::Busy:
        return withWords("The server asks to wait before the next log-in", m_serverText);
    case Pop3Failure::NoReply:
        return silenceReason(after, m_failedCommand, m_waited, m_replyTooSlow);
    case Pop3Failure::Closed:
        return "The server closed the connection before it answered " + after + ".";
    case Pop3Failure::TooLong:
        return "The server's reply to " + after + " was longer than " +
               std::to_string(m_limits.replySize) + " bytes.";
    case Pop3Failure::Stopped:
        return "The check was stopped.";
    case Pop3Failure::OutOfTime:
        return "The check did not end within " + Vusk::limitText(m_limits.check) + ".";
    case Pop3Failure::Malformed:
        return "The server's reply to " + after + " held no message count.";
    }
    return {};
}
