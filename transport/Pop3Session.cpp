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
    if (waitReply(false))
        return true;
    disconnect();
    return false;
}

bool Pop3Session::user(std::string_view login) {
    if (holdsLineBreak(login))
        return fail(Pop3Failure::Refused);
    std::string text = "USER ";
    text += login;
    text += "\r\n";
    return command(text, false);
}

bool Pop3Session::pass(std::string_view password) {
    if (holdsLineBreak(password))
        return fail(Pop3Failure::Refused);
    std::string text = "PASS ";
    text += password;
    text += "\r\n";
    return command(text, false);
}

bool Pop3Session::stat(int& count, long long& size) {
    if (!command("STAT\r\n", false))
        return false;
    // The numbers follow "+OK", whatever its case: a status line that counts as positive
    // must not lose its numbers for being written in lower case.
    const std::string& line = m_reply.bytes();
    const char* position = line.data() + 3;
    const char* end = line.data() + line.size();
    if (readNumber(position, end, count))
        readNumber(position, end, size);
    return true;
}

bool Pop3Session::top(int number, int lines, std::string& header) {
    char text[64];
    std::snprintf(text, sizeof text, "TOP %d %d\r\n", number, lines);
    if (!command(text, true))
        return false;
    const std::string& reply = m_reply.bytes();
    const auto statusEnd = reply.find("\r\n");
    header = statusEnd == std::string::npos ? reply : reply.substr(statusEnd + 2);
    return true;
}

bool Pop3Session::quit() {
    return command("QUIT\r\n", false);
}

void Pop3Session::disconnect() {
    if (m_client) {
        m_client->setListener(nullptr);
        m_client.reset();
    }
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

bool Pop3Session::command(std::string_view bytes, bool multiLine) {
    m_reply.reset(multiLine);
    if (!m_client || m_closed)
        return fail(Pop3Failure::Closed);
    if (!m_client->send(bytes, m_limits.inactivity)) {
        m_closed = true;
        return fail(Vusk::isStopRequested(m_stopDescriptor) ? Pop3Failure::Stopped
                                                            : Pop3Failure::Closed);
    }
    return waitReply(multiLine);
}

bool Pop3Session::waitReply(bool multiLine) {
    m_reply.reset(multiLine);
    if (!m_client || m_closed)
        return fail(Pop3Failure::Closed);
    const auto replyDeadline = Vusk::deadlineAfter(m_limits.reply);
    auto idleDeadline = Vusk::deadlineAfter(m_limits.inactivity);
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
        idleDeadline = Vusk::deadlineAfter(m_limits.inactivity);
        m_client->receiveAvailable();
    }

    if (m_reply.isComplete()) {
        if (m_reply.isOk()) {
            m_failure = Pop3Failure::None;
            return true;
        }
        return fail(Pop3Failure::Refused);
    }
    // Whatever comes later would be read as the start of the next reply.
    m_closed = true;
    if (m_reply.isTooLong())
        return fail(Pop3Failure::TooLong);
    if (stopped)
        return fail(Pop3Failure::Stopped);
    if (multiLine && m_reply.isOk()) {
        // The "." line never came; the lines that did are the answer.
        m_failure = Pop3Failure::None;
        return true;
    }
    return fail(timedOut ? Pop3Failure::NoReply : Pop3Failure::Closed);
}

bool Pop3Session::fail(Pop3Failure why) {
    m_failure = why;
    return false;
}
