#pragma once

namespace Platform {

/// A flag that another thread can raise and that a `poll` can wait for beside its sockets:
/// a descriptor that becomes readable once `signal` is called and stays so until `reset`.
class WakeEvent {
public:
    WakeEvent();
    WakeEvent(const WakeEvent&) = delete;
    WakeEvent& operator=(const WakeEvent&) = delete;
    ~WakeEvent();

    void signal();
    void reset();
    /// The descriptor to watch for readability; -1 if the system could not make one.
    int descriptor() const { return m_fd; }

private:
    int m_fd;
};

} // namespace Platform
