#pragma once

#include "foundation/Exception.h"

#include <string>

namespace Vusk {

/// "Can't create the socket!", "Failed to connect to the server!".
class TcpClientFailure : public Norq::Exception {
public:
    explicit TcpClientFailure(const char* message, std::string reason = {})
        : Norq::Exception(message), m_reason(std::move(reason)) {}

    /// Why, in words for the user: for a failed connect the cause alone ("connection
    /// refused"), for a failed TLS set-up a whole sentence ("The server's certificate is for
    /// another host name."); empty when nothing more is known.
    const std::string& reason() const { return m_reason; }

private:
    std::string m_reason;
};

/// The TLS set-up failed, the server's certificate among the causes. A handler for
/// TcpClientFailure receives it too.
class TcpClientSecureFailure : public TcpClientFailure {
public:
    using TcpClientFailure::TcpClientFailure;
};

} // namespace Vusk
