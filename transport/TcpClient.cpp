#include "transport/TcpClient.h"

#include "foundation/Reporter.h"
#include "transport/TcpClientFailure.h"
#include "transport/TcpClientListener.h"
#include "transport/TcpPlainStream.h"
#include "transport/TcpSecureStream.h"

#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace Vusk {
namespace {

constexpr const char* kConnectFailed = "Failed to connect to the server!";

// `cause` is told to the user after the server's name and port ("connection refused").
[[noreturn]] void failConnect(std::string cause) {
    Norq::report("Vusk", "connect failed", cause);
    throw TcpClientFailure(kConnectFailed, std::move(cause));
}

// The system's words for an error, begun in lower case to follow "...:" in a sentence.
std::string errorCause(int error) {
    std::string text = std::strerror(error);
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

// Holds the socket until the connection is set up, so a failure on the way closes it.
class SocketGuard {
public:
    explicit SocketGuard(int& socket) : m_socket(socket) {}
    SocketGuard(const SocketGuard&) = delete;
    SocketGuard& operator=(const SocketGuard&) = delete;
    ~SocketGuard() {
        if (m_armed && m_socket >= 0) {
            ::close(m_socket);
            m_socket = -1;
        }
    }
    void release() { m_armed = false; }

private:
    int& m_socket;
    bool m_armed = true;
};

} // namespace

TcpClient::TcpClient(const SocketAddress& address, bool secure, int bufferSize,
                     const TcpConnectOptions& options)
    : m_bufferSize(bufferSize > 0 ? bufferSize : 1), m_hostName(options.hostName),
      m_stopDescriptor(options.stopDescriptor) {
    const auto deadline = deadlineAfter(options.connectLimit);
    m_socket = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_socket < 0)
        throw TcpClientFailure("Can't create the socket!");
    SocketGuard guard(m_socket);
    ::setsockopt(m_socket, SOL_SOCKET, SO_RCVBUF, &m_bufferSize, sizeof m_bufferSize);
    ::setsockopt(m_socket, SOL_SOCKET, SO_SNDBUF, &m_bufferSize, sizeof m_bufferSize);
    // Every command batch goes out in one write: nothing is gained by holding a small one back.
    const int noDelay = 1;
    ::setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);

    if (!address.isResolved())
        failConnect("the name was not found");
    if (::connect(m_socket, reinterpret_cast<const sockaddr*>(&address.raw()),
                  sizeof address.raw()) != 0) {
        if (errno != EINPROGRESS)
            failConnect(errorCause(errno));
        switch (waitForSocket(m_socket, POLLOUT, deadline, m_stopDescriptor)) {
        case WaitResult::Ready:
            break;
        case WaitResult::TimedOut:
            failConnect("no answer within " + limitText(options.connectLimit));
        case WaitResult::Stopped:
            failConnect("stopped");
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(m_socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
            error = errno;
        if (error != 0)
            failConnect(errorCause(error));
    }

    if (secure)
        m_stream =
            std::make_unique<TcpSecureStream>(m_socket, m_hostName, deadline, m_stopDescriptor);
    else
        m_stream = std::make_unique<TcpPlainStream>(m_socket);
    m_secure = secure;
    m_chunk.resize(static_cast<std::size_t>(m_bufferSize));
    guard.release();
}

TcpClient::~TcpClient() {
    closeSocket();
}

bool TcpClient::send(std::string_view bytes, std::chrono::milliseconds limit) {
    const auto deadline = deadlineAfter(limit);
    while (!bytes.empty()) {
        if (m_socket < 0)
            return false;
        const int piece = bytes.size() > 65536 ? 65536 : static_cast<int>(bytes.size());
        const int written = m_stream->write(bytes.data(), piece);
        if (written > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
            continue;
        }
        if (written != TcpStream::kWouldBlock)
            return false;
        if (waitForSocket(m_socket, POLLOUT, deadline, m_stopDescriptor) != WaitResult::Ready)
            return false;
    }
    return true;
}

bool TcpClient::isReadable() const {
    if (m_socket < 0)
        return true;
    if (m_stream->pending() > 0)
        return true;
    pollfd entry{m_socket, POLLIN, 0};
    const int ready = ::poll(&entry, 1, 0);
    return ready != 0;
}

WaitResult TcpClient::waitReadable(Clock::time_point deadline) const {
    if (isStopRequested(m_stopDescriptor))
        return WaitResult::Stopped;
    if (isReadable())
        return WaitResult::Ready;
    return waitForSocket(m_socket, POLLIN, deadline, m_stopDescriptor);
}

void TcpClient::receiveAvailable() {
    for (;;) {
        if (m_socket < 0) {
            if (m_listener != nullptr)
                m_listener->onError(EBADF);
            return;
        }
        if (m_stream->pending() <= 0) {
            pollfd entry{m_socket, POLLIN, 0};
            const int ready = ::poll(&entry, 1, 0);
            if (ready < 0) {
                if (errno == EINTR)
                    continue;
                if (m_listener != nullptr)
                    m_listener->onError(errno);
                return;
            }
            if (ready == 0)
                return;
        }
        if (!readPass())
            return;
    }
}

void TcpClient::startTls(std::chrono::milliseconds limit) {
    if (m_socket < 0 || m_secure)
        throw TcpClientSecureFailure("Failed to enable ssl connection!",
                                     "The secure connection could not be set up: the connection "
                                     "is closed or already secure.");
    try {
        // Whatever the server sent in plain text after agreeing is read by the handshake as TLS
        // and fails it: nothing from before the handshake is ever taken as secure.
        m_stream = std::make_unique<TcpSecureStream>(m_socket, m_hostName, deadlineAfter(limit),
                                                     m_stopDescriptor);
    } catch (const TcpClientSecureFailure&) {
        closeSocket();
        throw;
    }
    m_secure = true;
}

bool TcpClient::readPass() {
    for (;;) {
        const int count = m_stream->read(m_chunk.data(), m_bufferSize);
        if (count == TcpStream::kWouldBlock)
            return false;
        if (count < 0) {
            const int code = errno;
            closeSocket();
            if (m_listener != nullptr) {
                m_listener->onClose();
                m_listener->onError(code);
            }
            return false;
        }
        if (count == 0) {
            closeSocket();
            if (m_listener != nullptr)
                m_listener->onClose();
            return false;
        }
        acknowledgeAtOnce();
        if (m_listener != nullptr &&
            m_listener->onData(m_chunk.data(), static_cast<std::size_t>(count)))
            return false;
        // TLS may hold the rest of a record that `poll` cannot see; take it in the same pass.
        if (m_stream->pending() <= 0)
            return true;
    }
}

void TcpClient::acknowledgeAtOnce() {
#ifdef TCP_QUICKACK
    // A server that answers one batch of commands in several small writes (a log-in's two
    // replies) holds each back until the one before is acknowledged; a delayed acknowledgement
    // would cost it 40 ms. The system falls back to delaying after a while: set it each time.
    const int on = 1;
    ::setsockopt(m_socket, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
#endif
}

void TcpClient::closeSocket() {
    // The stream first: TLS says goodbye while the socket is still open, and nothing is left
    // holding a descriptor number that the system may hand out again.
    m_stream.reset();
    if (m_socket >= 0) {
        ::close(m_socket);
        m_socket = -1;
    }
}

} // namespace Vusk
