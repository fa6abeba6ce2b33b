#include "platform/LocalConnection.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace Platform {

LocalConnection::~LocalConnection() {
    close();
}

bool LocalConnection::connect(const std::string& path, std::chrono::milliseconds patience) {
    close();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return false;
    // A listener whose queue is full keeps the connect waiting for the send timeout.
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(patience);
    timeval timeout{};
    timeout.tv_sec = static_cast<time_t>(seconds.count());
    timeout.tv_usec = static_cast<suseconds_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(patience - seconds).count());
    ::setsockopt(m_fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    int result = 0;
    do {
        result = ::connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        close();
        return false;
    }
    return true;
}

bool LocalConnection::send(std::string_view bytes) {
    while (!bytes.empty() && m_fd >= 0) {
        const ssize_t sent = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return m_fd >= 0;
}

bool LocalConnection::receive(std::string& received) {
    char buffer[64 * 1024];
    for (;;) {
        if (m_fd < 0)
            return false;
        const ssize_t count = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        received.append(buffer, static_cast<std::size_t>(count));
        return true;
    }
}

void LocalConnection::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

} // namespace Platform
