#pragma once

#include "foundation/Thread.h"
#include "logic/ConnectionSettings.h"
#include "transport/Pop3Session.h"

#include <chrono>
#include <functional>

/// Keeps an IMAP account's INBOX open in IDLE on a thread of its own, and tells at once when
/// the server reports a change there (a delivery, an expunge, a message read elsewhere). The
/// IDLE is renewed every 25 minutes, before servers drop a connection idle for 30. A connection
/// that idled and broke is opened again after a second; one that cannot be opened, after a
/// pause that grows from 10 seconds to 5 minutes (5 minutes at once when the log-in was
/// refused: the password will not change by itself). A server
/// without IDLE ends the thread: the account is then checked at the interval alone.
class ImapIdler : public Norq::Thread {
public:
    static constexpr std::chrono::minutes kRenewal{25};

    /// `changed` is called on the idler's thread.
    ImapIdler(const Logic::ConnectionSettings& settings, std::function<void()> changed,
              const Pop3Limits& limits = {});
    ~ImapIdler() override;

protected:
    void run() override;

private:
    /// One connection's life: open, then IDLE until it fails; false when the server has no
    /// IDLE. `pause` becomes the wait before the next connection.
    bool idleOnce(std::chrono::seconds& pause);

    Logic::ConnectionSettings m_settings;
    std::function<void()> m_changed;
    Pop3Limits m_limits;
};
