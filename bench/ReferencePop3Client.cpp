#include "bench/ReferencePop3Client.h"

#include <algorithm>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace Bench {

ReferencePop3Client::ReferencePop3Client(std::uint16_t port) {
    m_socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (m_socket < 0 ||
        ::connect(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (m_socket >= 0)
            ::close(m_socket);
        throw std::runtime_error("reference client: cannot connect");
    }
    const int on = 1;
    ::setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const std::size_t end = readUntil("\r\n", 0);
    if (m_buffer.compare(0, 3, "+OK") != 0)
        throw std::runtime_error("reference client: no greeting");
    m_buffer.erase(0, end);
}

ReferencePop3Client::~ReferencePop3Client() {
    ::close(m_socket);
}

std::string ReferencePop3Client::command(std::string_view line) {
    send(line);
    const std::size_t end = readUntil("\r\n", 0);
    std::string status = m_buffer.substr(0, end - 2);
    m_buffer.erase(0, end);
    if (status.compare(0, 3, "+OK") != 0)
        throw std::runtime_error("reference client: " + std::string(line.substr(0, 4)) +
                                 " refused: " + status);
    return status;
}

std::string ReferencePop3Client::multiLineCommand(std::string_view line) {
    send(line);
    const std::size_t statusEnd = readUntil("\r\n", 0);
    if (m_buffer.compare(0, 3, "+OK") != 0)
        throw std::runtime_error("reference client: " + std::string(line.substr(0, 4)) +
                                 " refused: " + m_buffer.substr(0, statusEnd - 2));
    // The status line's own CR LF may begin the terminator of an empty reply.
    const std::size_t end = readUntil("\r\n.\r\n", statusEnd - 2);
    std::string lines = m_buffer.substr(statusEnd, end - statusEnd);
    m_buffer.erase(0, end);
    return lines;
}

void ReferencePop3Client::send(std::string_view line) {
    std::string bytes(line);
    bytes += "\r\n";
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t sent =
            ::send(m_socket, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent <= 0)
            throw std::runtime_error("reference client: the connection broke");
        done += static_cast<std::size_t>(sent);
    }
}

std::size_t ReferencePop3Client::readUntil(std::string_view terminator, std::size_t from) {
    std::size_t searched = from;
    for (;;) {
        const std::size_t found = m_buffer.find(terminator, searched);
        if (found != std::string::npos)
            return found + terminator.size();
        // Only the tail can still hold the start of a terminator split across two reads.
        searched = std::max(from, m_buffer.size() >= terminator.size()
                                      ? m_buffer.size() - terminator.size() + 1
                                      : std::size_t{0});
        char chunk[65536];
        const ssize_t got = ::recv(m_socket, chunk, sizeof chunk, 0);
        if (got <= 0)
            throw std::runtime_error("reference client: the connection ended mid-reply");
        m_buffer.append(chunk, static_cast<std::size_t>(got));
    }
}

} // namespace Bench
