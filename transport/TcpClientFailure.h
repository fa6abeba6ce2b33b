#pragma once

#include "foundation/Exception.h"

#include <string>

namespace Vusk {

/// "Can't create the socket!", "Failed to connect to the server!".
class TcpClientFailure : public Norq::Exception {
public:
    using Norq::Exception::Exception;
};

/// The TLS set-up failed, the server's certificate among the causes. A handler for
/// TcpClientFailure receives it too.
class TcpClientSecureFailure : public TcpClientFailure {
public:
    explicit TcpClientSecureFailure(const char* message, std::string reason = {})
        : TcpClientFailure(message), m_reason(std::move(reason)) {}

    /// Why, as a sentence for the user ("The server's certificate is for another host
    /// name."); empty when nothing more is known.
    const std::string& reason() const { return m_reason; }

private:
    std::string m_reason;
};

} // namespace Vusk
