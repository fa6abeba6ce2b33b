#pragma once

#include <cstddef>

namespace Vusk {

/// Receives what a TcpClient reads, from inside its `receiveAvailable`.
class TcpClientListener {
public:
    virtual ~TcpClientListener() = default;
    /// A chunk of received bytes. Returning true says nothing more is wanted for now: the
    /// client stops reading until it is asked again, so a peer that floods cannot keep it
    /// reading forever.
    virtual bool onData(const char* bytes, std::size_t length) = 0;
    /// A socket error, with its errno code; follows onClose.
    virtual void onError(int code) = 0;
    /// The connection is finished: the peer closed it or a read failed.
    virtual void onClose() = 0;
};

} // namespace Vusk
