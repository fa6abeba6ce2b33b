#pragma once

#include "foundation/Exception.h"

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
    using TcpClientFailure::TcpClientFailure;
};

} // namespace Vusk
