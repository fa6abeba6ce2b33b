#include "cli/WriterLock.h"

#include <thread>

WriterLock::WriterLock(const std::filesystem::path& dataFolder)
    : m_file(dataFolder / "instance.lock"), m_lock(m_file) {}

bool WriterLock::take(std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (canBeHeld() && !tryTake()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        // Nothing to wait on but time: the holder lets go when its job ends.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}
