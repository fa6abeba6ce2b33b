#pragma once

#include <chrono>
#include <string>

namespace Vusk {

using Clock = std::chrono::steady_clock;

enum class WaitResult {
    Ready,    ///< the socket is ready (or in error, which the next call will report)
    TimedOut, ///< the deadline passed first
    Stopped,  ///< the stop descriptor became readable
};

/// The moment `limit` from now; a limit too large for the clock means "no deadline".
Clock::time_point deadlineAfter(std::chrono::milliseconds limit);
/// The moment `limit` from now, or `deadline` when that comes first.
Clock::time_point deadlineWithin(std::chrono::milliseconds limit, Clock::time_point deadline);
/// `limit`, or what is left until `deadline` when that is less: zero once it has passed.
std::chrono::milliseconds limitWithin(std::chrono::milliseconds limit, Clock::time_point deadline);

/// Waits in `poll` until `socket` is ready for `events`, the deadline passes, or
/// `stopDescriptor` (-1 for none) becomes readable. A stop wins over a ready socket, so a stop
/// request is never starved by a peer that keeps sending.
WaitResult waitForSocket(int socket, short events, Clock::time_point deadline, int stopDescriptor);

/// True when `stopDescriptor` is valid and readable now.
bool isStopRequested(int stopDescriptor);

/// A time limit as a message names it: "2 minutes", "5 s", "1.5 s", "200 ms".
std::string limitText(std::chrono::milliseconds limit);

} // namespace Vusk
