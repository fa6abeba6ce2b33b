#include "transport/TcpPlainStream.h"

#include <cerrno>
#include <sys/socket.h>

namespace Vusk {
namespace {

int classify(ssize_t result) {
    if (result >= 0)
        return static_cast<int>(result);
    return errno == EAGAIN || errno == EWOULDBLOCK ? TcpStream::kWouldBlock : TcpStream::kFailed;
}

} // namespace

int TcpPlainStream::write(const char* data, int length) {
    ssize_t result;
    // MSG_NOSIGNAL: a peer that has gone away must fail the write, not end the process.
    do
        result = ::send(m_socket, data, static_cast<size_t>(length), MSG_NOSIGNAL);
    while (result < 0 && errno == EINTR);
    return classify(result);
}

int TcpPlainStream::read(char* buffer, int capacity) {
    ssize_t result;
    do
        result = ::recv(m_socket, buffer, static_cast<size_t>(capacity), 0);
    while (result < 0 && errno == EINTR);
    return classify(result);
}

} // namespace Vusk
