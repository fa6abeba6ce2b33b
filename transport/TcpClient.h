#pragma once

#include "transport/SocketAddress.h"
#include "transport/SocketWait.h"
#include "transport/TcpStream.h"

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Vusk {

class TcpClientListener;

/// How a TcpClient sets up its connection.
struct TcpConnectOptions {
    /// The name the user gave; a TLS certificate must be for it.
    std::string hostName;
    /// Connecting and the TLS handshake together end by this limit.
    std::chrono::milliseconds connectLimit{20000};
    /// Readable once the owner wants the connection given up (-1: none); every wait of the
    /// client also wakes for it.
    int stopDescriptor = -1;
};

/// One outgoing IPv4 TCP connection, plain or TLS, on a non-blocking socket; a plain one can be
/// made secure later (STARTTLS). It never blocks on a read: the owner waits with
/// `waitReadable` and then takes what has arrived with `receiveAvailable`, which hands it to
/// the listener.
class TcpClient {
public:
    /// Connects at once. Throws TcpClientFailure ("Can't create the socket!", "Failed to
    /// connect to the server!") or, from the TLS handshake, TcpClientSecureFailure.
    TcpClient(const SocketAddress& address, bool secure, int bufferSize,
              const TcpConnectOptions& options = {});
    TcpClient(const TcpClient&) = delete;
    TcpClient& operator=(const TcpClient&) = delete;
    ~TcpClient();

    /// Sets or clears (nullptr) the listener, which is not owned.
    void setListener(TcpClientListener* listener) { m_listener = listener; }

    /// Writes all of `bytes`, waiting for the socket at most `limit`. False when the
    /// connection failed, the limit passed, or a stop was requested.
    bool send(std::string_view bytes, std::chrono::milliseconds limit);
    /// True when a read would return something now, or would report an error.
    bool isReadable() const;
    /// Waits until `isReadable` holds, the deadline passes, or a stop is requested.
    WaitResult waitReadable(Clock::time_point deadline) const;
    /// Reads and delivers everything that is readable now; never blocks.
    void receiveAvailable();
    /// Makes an open plain connection secure (STARTTLS), with the handshake and certificate
    /// check of a connection secure from its first byte: against the host name the client
    /// was made with, within `limit`, and given up at once when a stop is requested. Call it
    /// once the server has agreed and before anything else is read. Throws
    /// TcpClientSecureFailure, after which the connection is closed.
    void startTls(std::chrono::milliseconds limit);

    bool isOpen() const { return m_socket >= 0; }
    bool isSecure() const { return m_secure; }

private:
    bool readPass();
    /// Sends the acknowledgement of what was read now rather than after the usual delay.
    void acknowledgeAtOnce();
    void closeSocket();

    TcpClientListener* m_listener = nullptr;
    int m_bufferSize;
    int m_socket = -1;
    std::unique_ptr<TcpStream> m_stream;
    bool m_secure = false;
    std::string m_hostName;
    int m_stopDescriptor;
    std::vector<char> m_chunk;
};

} // namespace Vusk
