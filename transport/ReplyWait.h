#pragma once

#include "transport/SocketWait.h"
#include "transport/TcpClient.h"

#include <algorithm>
#include <chrono>

/// How a wait for a server's whole reply ended.
struct ReplyWait {
    enum class End {
        Complete,
        TooLong,   ///< the reply grew past its size limit
        Stopped,   ///< the owner's stop descriptor became readable
        OutOfTime, ///< the deadline of the whole check passed
        NoReply,   ///< nothing more came within the inactivity limit, or the reply's own limit
        Closed,    ///< the connection ended first
    };
    End end = End::Closed;
    /// The reply's own limit ran out, however steadily it kept coming.
    bool replyTooSlow = false;
};

/// Reads what `client` receives (the listener assembles it into `reply`) until the reply is
/// complete or too long, `closed` turns true, or a limit runs out: `inactivity` after the last
/// data (it starts again with each arrival), `replyDeadline` and `checkDeadline` whatever comes.
/// The same wait serves every session, whatever its protocol.
template <class Reply>
ReplyWait waitForReply(Vusk::TcpClient& client, const Reply& reply, const bool& closed,
                       std::chrono::milliseconds inactivity, Vusk::Clock::time_point replyDeadline,
                       Vusk::Clock::time_point checkDeadline) {
    auto idleDeadline = Vusk::deadlineAfter(inactivity);
    while (!reply.isComplete() && !reply.isTooLong() && !closed) {
        const auto deadline = std::min({idleDeadline, replyDeadline, checkDeadline});
        if (Vusk::Clock::now() >= deadline) {
            const bool tooSlow = deadline == replyDeadline;
            if (deadline == checkDeadline)
                return {ReplyWait::End::OutOfTime, tooSlow};
            return {ReplyWait::End::NoReply, tooSlow};
        }
        const auto ready = client.waitReadable(deadline);
        if (ready == Vusk::WaitResult::Stopped)
            return {ReplyWait::End::Stopped, false};
        if (ready == Vusk::WaitResult::TimedOut)
            continue;
        // Data arrived: the inactivity limit starts again; the overall ones do not.
        idleDeadline = Vusk::deadlineAfter(inactivity);
        client.receiveAvailable();
    }
    if (reply.isComplete())
        return {ReplyWait::End::Complete, false};
    return {reply.isTooLong() ? ReplyWait::End::TooLong : ReplyWait::End::Closed, false};
}
