#include "tests/servers/ScriptedPop3Server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace TestServers {
namespace {

using Clock = std::chrono::steady_clock;

int pollMilliseconds(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : left > INT_MAX ? INT_MAX : static_cast<int>(left);
}

int listenOnLoopback(int backlog, std::uint16_t& port) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0)
        throw std::runtime_error("cannot make a listening socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, backlog) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(listener);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    port = ntohs(address.sin_port);
    return listener;
}

} // namespace

ScriptedPop3Server::ScriptedPop3Server(std::chrono::milliseconds patience) : m_patience(patience) {
    m_listener = listenOnLoopback(4, m_port);
}

ScriptedPop3Server::~ScriptedPop3Server() {
    hangUp();
    for (const int connection : m_silentConnections)
        ::close(connection);
    ::close(m_listener);
}

bool ScriptedPop3Server::acceptAnother() {
    if (m_connection >= 0)
        m_silentConnections.push_back(std::exchange(m_connection, -1));
    return accept();
}

bool ScriptedPop3Server::accept() {
    hangUp();
    pollfd entry{m_listener, POLLIN, 0};
    if (::poll(&entry, 1, pollMilliseconds(Clock::now() + m_patience)) <= 0)
        return false;
    m_connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (m_connection < 0)
        return false;
    // Each `say` goes out at once, so the client meets the pieces as the test cut them.
    const int on = 1;
    ::setsockopt(m_connection, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    m_peerClosed = false;
    m_received.clear();
    return true;
}

bool ScriptedPop3Server::ensureConnection() {
    return m_connection >= 0 || accept();
}

std::size_t ScriptedPop3Server::say(std::string_view bytes) {
    if (!ensureConnection())
        return 0;
    std::size_t sent = 0;
    auto deadline = Clock::now() + m_patience;
    while (sent < bytes.size()) {
        const ssize_t result =
            ::send(m_connection, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (result > 0) {
            sent += static_cast<std::size_t>(result);
            deadline = Clock::now() + m_patience;
            continue;
        }
        if (result < 0 && errno == EINTR)
            continue;
        if (result < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            break;
        pollfd entry{m_connection, POLLOUT, 0};
        if (::poll(&entry, 1, pollMilliseconds(deadline)) <= 0)
            break;
    }
    return sent;
}

bool ScriptedPop3Server::readSome(std::chrono::milliseconds wait) {
    if (m_peerClosed)
        return false;
    pollfd entry{m_connection, POLLIN, 0};
    if (::poll(&entry, 1, static_cast<int>(wait.count())) <= 0)
        return true;
    char buffer[65536];
    const ssize_t count = ::recv(m_connection, buffer, sizeof buffer, 0);
    if (count > 0)
        m_received.append(buffer, static_cast<std::size_t>(count));
    else if (count == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
        m_peerClosed = true;
    return !m_peerClosed;
}

std::string ScriptedPop3Server::receiveLine() {
    if (!ensureConnection())
        return {};
    const auto deadline = Clock::now() + m_patience;
    std::size_t end;
    while ((end = m_received.find('\n')) == std::string::npos && Clock::now() < deadline) {
        if (!readSome(std::chrono::milliseconds(pollMilliseconds(deadline))))
            break;
    }
    const std::size_t length = end == std::string::npos ? m_received.size() : end + 1;
    std::string line = m_received.substr(0, length);
    m_received.erase(0, length);
    return line;
}

std::string ScriptedPop3Server::receiveSome() {
    if (!ensureConnection())
        return {};
    const auto deadline = Clock::now() + m_patience;
    while (m_received.empty() && Clock::now() < deadline &&
           readSome(std::chrono::milliseconds(pollMilliseconds(deadline)))) {
    }
    return unreadBytes();
}

std::string ScriptedPop3Server::unreadBytes() {
    while (m_connection >= 0 && !m_peerClosed) {
        pollfd entry{m_connection, POLLIN, 0};
        if (::poll(&entry, 1, 0) <= 0)
            break;
        readSome(std::chrono::milliseconds(0));
    }
    std::string bytes;
    bytes.swap(m_received);
    return bytes;
}

bool ScriptedPop3Server::waitForClose() {
    if (!ensureConnection())
        return false;
    const auto deadline = Clock::now() + m_patience;
    while (readSome(std::chrono::milliseconds(pollMilliseconds(deadline))))
        if (Clock::now() >= deadline)
            return false;
    return true;
}

void ScriptedPop3Server::hangUp() {
    if (m_connection >= 0) {
        ::close(m_connection);
        m_connection = -1;
    }
}

UnansweredPort::UnansweredPort() {
    // With a backlog of 0 the queue holds one connection; the filler takes that place, and
    // nobody ever accepts it.
    m_listener = listenOnLoopback(0, m_port);
    m_filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(m_port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (m_filler < 0 ||
        ::connect(m_filler, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (m_filler >= 0)
            ::close(m_filler);
        ::close(m_listener);
        throw std::runtime_error("cannot fill the listener's queue");
    }
}

UnansweredPort::~UnansweredPort() {
    if (m_filler >= 0)
        ::close(m_filler);
    ::close(m_listener);
}

} // namespace TestServers
