#include "transport/SocketWait.h"

#include <algorithm>

#include <cerrno>
#include <climits>
#include <poll.h>

namespace Vusk {

Clock::time_point deadlineAfter(std::chrono::milliseconds limit) {
    const auto now = Clock::now();
    if (limit <= std::chrono::milliseconds::zero())
        return now;
    if (limit >
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::time_point::max() - now))
        return Clock::time_point::max();
    return now + limit;
}

WaitResult waitForSocket(int socket, short events, Clock::time_point deadline, int stopDescriptor) {
    for (;;) {
        pollfd entries[2] = {{socket, events, 0}, {stopDescriptor, POLLIN, 0}};
        const auto now = Clock::now();
        int timeout = 0;
        if (deadline > now) {
            // Rounded up: a wait that ends a little early would only come back for a zero wait.
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
            timeout = left.count() > INT_MAX ? INT_MAX : static_cast<int>(left.count());
        }
        const int ready = ::poll(entries, stopDescriptor >= 0 ? 2 : 1, timeout);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            // poll itself failed (never expected); let the caller's next call find out why.
            return WaitResult::Ready;
        }
        if (stopDescriptor >= 0 && (entries[1].revents & POLLIN) != 0)
            return WaitResult::Stopped;
        if (entries[0].revents != 0)
            return WaitResult::Ready;
        if (Clock::now() >= deadline)
            return WaitResult::TimedOut;
    }
}

Clock::time_point deadlineWithin(std::chrono::milliseconds limit, Clock::time_point deadline) {
    return std::min(deadlineAfter(limit), deadline);
}

std::chrono::milliseconds limitWithin(std::chrono::milliseconds limit, Clock::time_point deadline) {
    const auto now = Clock::now();
    if (deadline <= now)
        return std::chrono::milliseconds(0);
    return std::min(limit, std::chrono::ceil<std::chrono::milliseconds>(deadline - now));
}

bool isStopRequested(int stopDescriptor) {
    if (stopDescriptor < 0)
        return false;
    pollfd entry{stopDescriptor, POLLIN, 0};
    return ::poll(&entry, 1, 0) > 0 && (entry.revents & POLLIN) != 0;
}

std::string limitText(std::chrono::milliseconds limit) {
    const long long milliseconds = limit.count();
    if (milliseconds < 1000)
        return std::to_string(milliseconds) + " ms";
    if (milliseconds % 60000 == 0)
        return std::to_string(milliseconds / 60000) +
               (milliseconds == 60000 ? " minute" : " minutes");
    std::string text = std::to_string(milliseconds / 1000);
    if (const long long tenths = milliseconds % 1000 / 100; tenths != 0)
        text += "." + std::to_string(tenths);
    return text + " s";
}

} // namespace Vusk
