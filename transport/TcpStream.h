#pragma once

namespace Vusk {

/// A byte stream on a connected, non-blocking socket: plain TCP or TLS.
class TcpStream {
public:
    /// The peer or the connection failed; errno says why.
    static constexpr int kFailed = -1;
    /// Nothing can be moved now; wait for the socket and call again.
    static constexpr int kWouldBlock = -2;

    virtual ~TcpStream() = default;
    /// Bytes written (> 0), kWouldBlock or kFailed.
    virtual int write(const char* data, int length) = 0;
    /// Bytes read (> 0), 0 when the peer closed the connection, kWouldBlock or kFailed.
    virtual int read(char* buffer, int capacity) = 0;
    /// Bytes already received and held inside the stream, which `poll` on the socket does not
    /// see; a `read` returns them without touching the socket.
    virtual int pending() = 0;
};

} // namespace Vusk
