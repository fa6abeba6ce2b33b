#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace Platform {

InstanceLock::InstanceLock(std::filesystem::path file) : m_file(std::move(file)) {
    m_fd = ::open(m_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

InstanceLock::~InstanceLock() {
    // Closing the descriptor releases the lock.
    if (m_fd >= 0)
        ::close(m_fd);
}

bool InstanceLock::tryLock() {
    if (m_locked)
        return true;
    if (m_fd < 0)
        m_fd = ::open(m_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    // flock belongs to the open file, not to the process: a second InstanceLock on the same
    // file is refused even within one process, as another program would be.
    m_locked = m_fd >= 0 && ::flock(m_fd, LOCK_EX | LOCK_NB) == 0;
    return m_locked;
}

} // namespace Platform
