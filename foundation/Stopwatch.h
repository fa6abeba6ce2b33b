#pragma once

#include <chrono>

namespace Norq {

/// Measures elapsed time on the monotonic clock.
class Stopwatch {
public:
    Stopwatch() { reset(); }
    void reset() { m_start = std::chrono::steady_clock::now(); }
    float elapsedSeconds() const {
        return std::chrono::duration<float>(std::chrono::steady_clock::now() - m_start).count();
    }

private:
    std::chrono::steady_clock::time_point m_start;
};

} // namespace Norq
