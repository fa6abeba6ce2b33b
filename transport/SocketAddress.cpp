#include "transport/SocketAddress.h"

#include "platform/WakeEvent.h"

#include <arpa/inet.h>
#include <cstring>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <system_error>
#include <thread>

namespace Vusk {
namespace {

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// getaddrinfo rather than gethostbyname: the check and a connection test may look up names on
// two threads at once.
std::optional<in_addr> resolve(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0)
        return std::nullopt;
    std::optional<in_addr> address;
    if (found != nullptr && found->ai_addrlen >= sizeof(sockaddr_in)) {
        sockaddr_in first;
        std::memcpy(&first, found->ai_addr, sizeof first);
        address = first.sin_addr;
    }
    ::freeaddrinfo(found);
    return address;
}

// A lookup that a helper thread carries out and the asking thread waits for.
struct PendingLookup {
    Platform::WakeEvent done;
    std::mutex mutex;
    std::optional<in_addr> address;
};

// The system resolver cannot be interrupted, and with an unreachable name server it waits many
// seconds. It runs on a thread of its own, which the asking thread waits for in poll like for
// a socket, so a deadline or a stop request ends the wait at once. A lookup given up on
// finishes by itself, and its thread ends then.
std::optional<in_addr> resolveWithin(const std::string& name, Clock::time_point deadline,
                                     int stopDescriptor) {
    auto pending = std::make_shared<PendingLookup>();
    if (pending->done.descriptor() < 0)
        return resolve(name);
    try {
        std::thread([pending, name] {
            const auto address = resolve(name);
            std::lock_guard lock(pending->mutex);
            pending->address = address;
            pending->done.signal();
        }).detach();
    } catch (const std::system_error&) {
        return resolve(name); // no thread to spare: wait for the resolver itself
    }
    if (waitForSocket(pending->done.descriptor(), POLLIN, deadline, stopDescriptor) !=
        WaitResult::Ready)
        return std::nullopt;
    std::lock_guard lock(pending->mutex);
    return pending->address;
}

} // namespace

SocketAddress::SocketAddress(std::string_view hostName, std::uint16_t networkPort,
                             Clock::time_point deadline, int stopDescriptor) {
    std::memset(&m_address, 0, sizeof m_address);
    m_address.sin_family = AF_INET;
    if (hostName.empty())
        return;
    m_address.sin_port = networkPort;
    const std::string name(hostName);
    if (isAsciiLetter(name.front())) {
        if (const auto address = resolveWithin(name, deadline, stopDescriptor))
            m_address.sin_addr = *address;
    } else {
        m_address.sin_addr.s_addr = ::inet_addr(name.c_str());
    }
}

bool SocketAddress::isResolved() const {
    return m_address.sin_addr.s_addr != htonl(INADDR_ANY) &&
           m_address.sin_addr.s_addr != htonl(INADDR_NONE);
}

} // namespace Vusk
