#pragma once

#include "transport/SocketWait.h"
#include "transport/TcpStream.h"

#include <memory>
#include <string_view>

using SSL = struct ssl_st;
using SSL_CTX = struct ssl_ctx_st;

namespace Vusk {

/// TLS on a connected socket, from its first byte or after STARTTLS. The server's certificate must
/// chain to a trusted authority (the system's store, or SSL_CERT_FILE / SSL_CERT_DIR) and name
/// the host that was asked for; there is deliberately no way to turn that off, since a client
/// that accepts any certificate hands the password to whoever sits on the network path.
class TcpSecureStream : public TcpStream {
public:
    /// Completes the handshake before returning, by `deadline` at the latest and at once when
    /// `stopDescriptor` becomes readable. `hostName` is checked against the certificate and
    /// sent as SNI (an IPv4 address is checked against the certificate's IP addresses).
    /// Throws TcpClientSecureFailure; the socket stays with the caller either way.
    TcpSecureStream(int socket, std::string_view hostName, Clock::time_point deadline,
                    int stopDescriptor);
    ~TcpSecureStream() override;

    int write(const char* data, int length) override;
    int read(char* buffer, int capacity) override;
    int pending() override;

private:
    struct ContextFree {
        void operator()(SSL_CTX* context) const;
    };
    struct ConnectionFree {
        void operator()(SSL* connection) const;
    };

    int classify(int result);

    int m_socket;
    std::unique_ptr<SSL_CTX, ContextFree> m_context;
    std::unique_ptr<SSL, ConnectionFree> m_connection;
    /// The version of the server's hello during the handshake; 0 before it came.
    int m_serverVersion = 0;
    /// After a fatal error OpenSSL must not be asked for an orderly shutdown.
    bool m_broken = false;
};

} // namespace Vusk
