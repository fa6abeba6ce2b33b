#pragma once

#include "transport/SocketWait.h"

#include <cstdint>
#include <netinet/in.h>
#include <string_view>

namespace Vusk {

/// An IPv4 address and port, kept in the layout `connect` takes. A name that could not be
/// resolved leaves the address 0.0.0.0.
class SocketAddress {
public:
    /// A host name starting with a letter is looked up; anything else is read as a dotted
    /// IPv4 address. The port is in network byte order already. The lookup is given up, and
    /// the address left unresolved, at `deadline` or once `stopDescriptor` (-1 for none)
    /// becomes readable.
    SocketAddress(std::string_view hostName, std::uint16_t networkPort,
                  Clock::time_point deadline = Clock::time_point::max(), int stopDescriptor = -1);

    const sockaddr_in& raw() const { return m_address; }
    /// False for 0.0.0.0 and 255.255.255.255: what a failed lookup or an unparsable address
    /// leaves. Linux would take 0.0.0.0 as this very machine, so such an address is never
    /// connected to.
    bool isResolved() const;

private:
    sockaddr_in m_address;
};

} // namespace Vusk
