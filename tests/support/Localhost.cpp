#include "tests/support/Localhost.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

namespace TestSupport {

bool localhostResolves() {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo("localhost", nullptr, &hints, &found) != 0)
        return false;
    bool loopback = false;
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
        loopback = loopback || address->sin_addr.s_addr == htonl(INADDR_LOOPBACK);
    }
    ::freeaddrinfo(found);
    return loopback;
}

} // namespace TestSupport
