#include "transport/SigpipeBlock.h"

#include <cerrno>
#include <ctime>
#include <pthread.h>

namespace Vusk {
namespace {

sigset_t pipeOnly() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    return set;
}

} // namespace

SigpipeBlock::SigpipeBlock() {
    const sigset_t pipe = pipeOnly();
    pthread_sigmask(SIG_BLOCK, &pipe, &m_oldMask);
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    // One that was already waiting is someone else's; it must still be delivered afterwards.
    m_wasPending = sigismember(&pending, SIGPIPE) == 1;
}

SigpipeBlock::~SigpipeBlock() {
    const int savedErrno = errno;
    if (!m_wasPending) {
        const sigset_t pipe = pipeOnly();
        const timespec noWait{0, 0};
        while (sigtimedwait(&pipe, nullptr, &noWait) == SIGPIPE || errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &m_oldMask, nullptr);
    errno = savedErrno;
}

} // namespace Vusk
