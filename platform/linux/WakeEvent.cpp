#include "platform/WakeEvent.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace Platform {

WakeEvent::WakeEvent() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeEvent::~WakeEvent() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void WakeEvent::signal() {
    const std::uint64_t one = 1;
    if (m_fd >= 0) {
        // A full counter already means "signalled"; nothing to do when the write fails.
        [[maybe_unused]] const auto written = ::write(m_fd, &one, sizeof one);
    }
}

void WakeEvent::reset() {
    std::uint64_t count = 0;
    if (m_fd >= 0) {
        // Reading drains the counter; an empty counter (EAGAIN) is already reset.
        [[maybe_unused]] const auto drained = ::read(m_fd, &count, sizeof count);
    }
}

} // namespace Platform
