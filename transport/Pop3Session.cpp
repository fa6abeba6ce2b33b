#include "transport/Pop3Session.h"

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

} // namespace

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
    m_tlsFailureReason.clear();
    try {
        // The name is looked up at each connect, where a stop request can end the wait.
        const Vusk::SocketAddress address(m_hostName, htons(m_port),
                                          Vusk::deadlineAfter(m_limits.connect), m_stopDescriptor);
        m_client = std::make_unique<Vusk::TcpClient>(
            address, m_secure, kBufferSize,
            Vusk::TcpConnectOptions{m_hostName, m_limits.connect, m_stopDescriptor});
    } catch (const Vusk::TcpClientSecureFailure& failure) {
        m_tlsFailureReason = failure.reason();
        return fail(Vusk::isStopRequested(m_stopDescriptor) ? Pop3Failure::Stopped
                                                            : Pop3Failure::Tls);
    } catch (const Vusk::TcpClientFailure&) {
        return fail(Vusk::isStopRequested(m_stopDescriptor) ? Pop3Failure::Stopped
                                                            : Pop3Failure::Connect);
    }
    m_client->setListener(this);
    if (waitReply(false, m_limits.inactivity) && readCapabilities())
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
    ask("USER " + std::string(login) + "\r\n", false, true);
    ask("PASS " + std::string(password) + "\r\n", false, true);
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

bool Pop3Session::readLogIn() {
    if (readReply())
        return readReply();
    if (m_failure == Pop3Failure::Refused && !m_requests.empty()) {
        // The PASS that went with the refused USER: never sent without pipelining; with it, its
        // reply must still be read to stay in step.
        if (m_requests.front().sent)
            readReply();
        else
            m_requests.pop_front();
        m_failure = Pop3Failure::Refused;
    }
    return false;
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

bool Pop3Session::dropUnread() {
    std::erase_if(m_requests,
                  [](const Request& request) { return !request.sent && !request.internal; });
    // What was sent is always the front of the queue.
    while (!m_requests.empty() && m_requests.front().sent) {
        const Request request = m_requests.front();
        m_requests.pop_front();
        if (!waitReply(request.multiLine, inactivityOf(request)) &&
            m_failure != Pop3Failure::Refused)
            return false;
    }
    m_failure = Pop3Failure::None;
    return true;
}

bool Pop3Session::onData(const char* bytes, std::size_t length) {
    return m_reply.feed(bytes, length);
}

void Pop3Session::onError(int) {
    m_closed = true;
}

void Pop3Session::onClose() {
    m_closed = true;
}

void Pop3Session::ask(std::string text, bool multiLine, bool login, bool internal) {
    m_requests.push_back({std::move(text), multiLine, login, false, internal});
}

std::chrono::milliseconds Pop3Session::inactivityOf(const Request& request) const {
    return request.login ? m_limits.login : m_limits.inactivity;
}

bool Pop3Session::readReply() {
    while (!m_requests.empty()) {
        if (!sendAsked())
            return false;
        const Request request = m_requests.front();
        m_requests.pop_front();
        const bool ok = waitReply(request.multiLine, inactivityOf(request));
        if (!request.internal)
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
    std::string batch;
    for (Request& request : m_requests) {
        if (!request.sent) {
            batch += request.text;
            request.sent = true;
        }
        if (!m_capabilities.pipelining)
            break;
    }
    if (batch.empty() || m_client->send(batch, m_limits.inactivity))
        return true;
    breakOff();
    return fail(Vusk::isStopRequested(m_stopDescriptor) ? Pop3Failure::Stopped
                                                        : Pop3Failure::Closed);
}

bool Pop3Session::waitReply(bool multiLine, std::chrono::milliseconds inactivity) {
    // Replies to pipelined commands may all have arrived with an earlier one.
    m_reply.reset(multiLine);
    if (!m_client)
        return fail(Pop3Failure::Closed);
    const auto replyDeadline = Vusk::deadlineAfter(m_limits.reply);
    auto idleDeadline = Vusk::deadlineAfter(inactivity);
    bool stopped = false;
    bool timedOut = false;
    while (!m_reply.isComplete() && !m_reply.isTooLong() && !m_closed) {
        const auto deadline = std::min(idleDeadline, replyDeadline);
        if (Vusk::Clock::now() >= deadline) {
            timedOut = true;
            break;
        }
        const auto ready = m_client->waitReadable(deadline);
        if (ready == Vusk::WaitResult::Stopped) {
            stopped = true;
            break;
        }
        if (ready == Vusk::WaitResult::TimedOut)
            continue;
        // Data arrived: the inactivity limit starts again; the overall one does not.
        idleDeadline = Vusk::deadlineAfter(inactivity);
        m_client->receiveAvailable();
    }

    if (m_reply.isComplete()) {
        if (m_reply.isOk()) {
            m_failure = Pop3Failure::None;
            return true;
        }
        return fail(Pop3Failure::Refused);
    }
    const bool tooLong = m_reply.isTooLong();
    // Whatever comes later would be read as the start of the next reply; and a reply cut short
    // is never taken for a whole one, however much of it came.
    breakOff();
    if (tooLong)
        return fail(Pop3Failure::TooLong);
    if (stopped)
        return fail(Pop3Failure::Stopped);
    return fail(timedOut ? Pop3Failure::NoReply : Pop3Failure::Closed);
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
        m_capabilities.pipelining |= sameWord(name, "PIPELINING");
        m_capabilities.utf8 |= sameWord(name, "UTF8");
        start = end + 2;
    }
    if (m_capabilities.utf8)
        ask("UTF8\r\n", false, false, true);
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
