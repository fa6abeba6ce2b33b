#pragma once

#include "platform/InstanceLock.h"

#include <chrono>
#include <filesystem>

/// The lock of a data folder that the one process writing its files holds: the tray program for
/// as long as it runs, a job without it (a check, an account command) for as long as the job
/// runs. Two writers would each save what they loaded, and the later save would drop what the
/// other added.
class WriterLock {
public:
    /// Opens "instance.lock" in the data folder; nothing is held yet.
    explicit WriterLock(const std::filesystem::path& dataFolder);

    /// Takes the lock without waiting; false while another process holds it.
    bool tryTake() { return m_lock.tryLock(); }
    /// Takes the lock, waiting at most `patience` for its holder to let go; false when it did
    /// not. True at once when nobody can hold it (see `canBeHeld`).
    bool take(std::chrono::milliseconds patience);
    /// False when the lock file cannot be made: a folder without it cannot hold the data file
    /// either, so nothing is gained by refusing to work; the save failures will show.
    bool canBeHeld() const { return m_lock.isOpen(); }
    const std::filesystem::path& file() const { return m_file; }

private:
    std::filesystem::path m_file;
    Platform::InstanceLock m_lock;
};
