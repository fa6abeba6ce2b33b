#pragma once

#include <signal.h>

namespace Vusk {

/// While it lives, a write to a connection the peer has reset fails with EPIPE on this thread
/// instead of raising SIGPIPE, which would end the whole process. OpenSSL writes to the socket
/// with plain `write`, so MSG_NOSIGNAL cannot be given there. A SIGPIPE that such a write
/// raises is taken off the thread before the old signal mask comes back.
class SigpipeBlock {
public:
    SigpipeBlock();
    SigpipeBlock(const SigpipeBlock&) = delete;
    SigpipeBlock& operator=(const SigpipeBlock&) = delete;
    ~SigpipeBlock();

private:
    sigset_t m_oldMask;
    bool m_wasPending;
};

} // namespace Vusk
