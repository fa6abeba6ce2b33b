#pragma once

#include <filesystem>

namespace Platform {

/// A lock that one process of the user holds while it may write the data file: an advisory
/// lock on a file, which the system releases when the process ends, however it ends. A lock
/// file left behind by a crashed process therefore never blocks the next start.
class InstanceLock {
public:
    /// Opens (creating if needed, owner-only) the lock file; nothing is locked yet.
    explicit InstanceLock(std::filesystem::path file);
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    /// Releases the lock if held.
    ~InstanceLock();

    /// Takes the lock without waiting; false while another holder has it or when the file
    /// cannot be opened. True at once when this object holds it already.
    bool tryLock();
    bool isLocked() const { return m_locked; }
    /// False when the lock file could not be opened or created; nobody can hold it then.
    bool isOpen() const { return m_fd >= 0; }

private:
    std::filesystem::path m_file;
    int m_fd = -1;
    bool m_locked = false;
};

} // namespace Platform
