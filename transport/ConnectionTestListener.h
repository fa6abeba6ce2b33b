#pragma once

#include <string>

/// Hears a connection test's steps and its result, on the test's own thread. Each call is made
/// while ConnectionTestThread::abandon would wait for it, so it must return promptly: pass the
/// news on (post it), never wait for another thread.
class ConnectionTestListener {
public:
    virtual ~ConnectionTestListener() = default;
    /// No POP3 connection. `tlsReason` says, as a sentence for the user, why the TLS set-up
    /// failed (an untrusted certificate, one for another host name...); empty for other causes.
    virtual void connectFailed(const std::string& tlsReason) = 0;
    /// The server refused the login name or the password, or the connection broke on the way.
    virtual void loginFailed() = 0;
    /// The server did not tell the mailbox's status.
    virtual void statusFailed() = 0;
    /// Connected; logging in now.
    virtual void authorizing() = 0;
    /// Logged in; asking for the mailbox's status now.
    virtual void retrievingStatus() = 0;
    /// Everything worked; the mailbox holds `messageCount` messages.
    virtual void succeeded(int messageCount) = 0;
};
