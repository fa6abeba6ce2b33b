#include "transport/ImapIdler.h"

#include "transport/ImapMailboxOpening.h"
#include "transport/SocketWait.h"

#include <algorithm>
#include <poll.h>

namespace {

constexpr std::chrono::seconds kFirstPause{5};
constexpr std::chrono::seconds kAfterBreak{1};
constexpr std::chrono::seconds kLongestPause{300};

} // namespace

ImapIdler::ImapIdler(const Logic::ConnectionSettings& settings, std::function<void()> changed,
                     const Pop3Limits& limits)
    : m_settings(settings), m_changed(std::move(changed)), m_limits(limits) {}

ImapIdler::~ImapIdler() {
    stop();
}

void ImapIdler::run() {
    std::chrono::seconds pause = kFirstPause;
    while (isRunning() && idleOnce(pause)) {
        // The stop descriptor turns readable on a stop: the pause ends with it.
        if (Vusk::waitForSocket(stopDescriptor(), POLLIN, Vusk::deadlineAfter(pause), -1) !=
            Vusk::WaitResult::TimedOut)
            return;
    }
}

bool ImapIdler::idleOnce(std::chrono::seconds& pause) {
    ImapSession session = imapSessionFor(m_settings, stopDescriptor(), m_limits);
    ImapMailboxState state;
    std::vector<std::uint32_t> unseen; // for the check that a wake-up starts
    if (const auto problem = openImapMailbox(session, m_settings, state, unseen)) {
        pause = problem->mayPass ? std::min(pause * 2, kLongestPause) : kLongestPause;
        return true;
    }
    if (!session.capabilities().idle)
        return false;
    bool updated = false;
    bool idled = false;
    while (isRunning() && session.idle(kRenewal, updated)) {
        idled = true;
        if (updated)
            m_changed();
    }
    // A connection that worked and broke (a server restarted) is opened again almost at once.
    pause = idled ? kAfterBreak : std::min(pause * 2, kLongestPause);
    return true;
}
