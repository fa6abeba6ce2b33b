#include "tests/servers/ScriptedPop3Server.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <csignal>
#include <ctime>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <pthread.h>
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

// OpenSSL writes to the socket with plain `write`: a client that went away must fail the
// write, not raise SIGPIPE and end the test program. A SIGPIPE already pending is left alone.
class SigpipeBlocked {
public:
    SigpipeBlocked() {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &m_pipe, &m_oldMask);
        sigset_t pending;
        sigpending(&pending);
        m_wasPending = sigismember(&pending, SIGPIPE) == 1;
    }
    SigpipeBlocked(const SigpipeBlocked&) = delete;
    SigpipeBlocked& operator=(const SigpipeBlocked&) = delete;
    ~SigpipeBlocked() {
        const int savedErrno = errno;
        const timespec noWait{0, 0};
        while (!m_wasPending && sigtimedwait(&m_pipe, nullptr, &noWait) == SIGPIPE) {
        }
        pthread_sigmask(SIG_SETMASK, &m_oldMask, nullptr);
        errno = savedErrno;
    }

private:
    sigset_t m_pipe;
    sigset_t m_oldMask;
    bool m_wasPending = false;
};

// A TLS call's result as send and recv give theirs: a count, 0 for a closed connection, or -1
// with errno EAGAIN when it must wait for the socket.
long tlsResult(SSL* tls, int result) {
    if (result > 0)
        return result;
    const int error = SSL_get_error(tls, result);
    ERR_clear_error();
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
        errno = EAGAIN;
        return -1;
    }
    if (error == SSL_ERROR_ZERO_RETURN)
        return 0;
    errno = ECONNRESET;
    return -1;
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
        const long result = writeOnce(bytes.data() + sent, bytes.size() - sent);
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
    if (!holdsUnread() && ::poll(&entry, 1, static_cast<int>(wait.count())) <= 0)
        return true;
    char buffer[65536];
    const long count = readOnce(buffer, sizeof buffer);
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
        if (!holdsUnread() && ::poll(&entry, 1, 0) <= 0)
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
    // No TLS goodbye: the connection is cut, as a server that goes away cuts it.
    SSL_free(std::exchange(m_tls, nullptr));
    SSL_CTX_free(std::exchange(m_tlsContext, nullptr));
    if (m_connection >= 0) {
        ::close(m_connection);
        m_connection = -1;
    }
}

bool ScriptedPop3Server::startTls(const CertificateFiles& files) {
    if (!ensureConnection() || m_tls != nullptr)
        return false;
    m_tlsContext = SSL_CTX_new(TLS_server_method());
    if (m_tlsContext == nullptr ||
        SSL_CTX_use_certificate_chain_file(m_tlsContext, files.certificate.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(m_tlsContext, files.key.c_str(), SSL_FILETYPE_PEM) != 1)
        throw std::runtime_error("cannot load the scripted server's certificate");
    m_tls = SSL_new(m_tlsContext);
    SSL_set_fd(m_tls, m_connection);
    const auto deadline = Clock::now() + m_patience;
    for (;;) {
        long result;
        {
            SigpipeBlocked noSigpipe;
            result = tlsResult(m_tls, SSL_accept(m_tls));
        }
        if (result > 0)
            return true;
        if (result == 0 || errno != EAGAIN)
            break;
        pollfd entry{m_connection, static_cast<short>(SSL_want_write(m_tls) ? POLLOUT : POLLIN), 0};
        if (::poll(&entry, 1, pollMilliseconds(deadline)) <= 0)
            break;
    }
    m_peerClosed = true;
    return false;
}

long ScriptedPop3Server::writeOnce(const char* bytes, std::size_t length) {
    if (m_tls == nullptr)
        return ::send(m_connection, bytes, length, MSG_NOSIGNAL);
    SigpipeBlocked noSigpipe;
    return tlsResult(
        m_tls, SSL_write(m_tls, bytes, static_cast<int>(std::min<std::size_t>(length, INT_MAX))));
}

long ScriptedPop3Server::readOnce(char* buffer, std::size_t capacity) {
    if (m_tls == nullptr)
        return ::recv(m_connection, buffer, capacity, 0);
    SigpipeBlocked noSigpipe;
    return tlsResult(m_tls, SSL_read(m_tls, buffer, static_cast<int>(capacity)));
}

bool ScriptedPop3Server::holdsUnread() const {
    return m_tls != nullptr && SSL_pending(m_tls) > 0;
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
