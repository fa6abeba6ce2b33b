#include "transport/SocketAddress.h"

#include <arpa/inet.h>
#include <cstring>
#include <netdb.h>
#include <string>
#include <sys/socket.h>

namespace Vusk {
namespace {

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

} // namespace

SocketAddress::SocketAddress(std::string_view hostName, std::uint16_t networkPort) {
    std::memset(&m_address, 0, sizeof m_address);
    m_address.sin_family = AF_INET;
    if (hostName.empty())
        return;
    m_address.sin_port = networkPort;
    const std::string name(hostName);
    if (isAsciiLetter(name.front())) {
        // getaddrinfo rather than gethostbyname: the check and a connection test may look up
        // names on two threads at once.
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) == 0) {
            if (found != nullptr && found->ai_addrlen >= sizeof(sockaddr_in)) {
                sockaddr_in first;
                std::memcpy(&first, found->ai_addr, sizeof first);
                m_address.sin_addr = first.sin_addr;
            }
            ::freeaddrinfo(found);
        }
    } else {
        m_address.sin_addr.s_addr = ::inet_addr(name.c_str());
    }
}

bool SocketAddress::isResolved() const {
    return m_address.sin_addr.s_addr != htonl(INADDR_ANY) &&
           m_address.sin_addr.s_addr != htonl(INADDR_NONE);
}

} // namespace Vusk
