#pragma once

#include <string>

/// Hears a connection test's steps and its result, on the test's own thread. Each call is made
/// while ConnectionTestThread::abandon would wait for it, so it must return promptly: pass the
/// news on (post it), never wait for another thread.
class ConnectionTestListener {
public:
    virtual ~ConnectionTestListener() = default;
    // Each failure comes with its reason, a sentence for the user with the server's own words
    // when it gave any: the same reason a check would give.

    /// No POP3 connection, no TLS, or the server would not take a log-in now.
    virtual void connectFailed(const std::string& reason) = 0;
    /// The server refused the login name or the password.
    virtual void loginFailed(const std::string& reason) = 0;
    /// The server did not tell the mailbox's status.
    virtual void statusFailed(const std::string& reason) = 0;
    /// Connected; logging in now.
    virtual void authorizing() = 0;
    /// Logged in; asking for the mailbox's status now.
    virtual void retrievingStatus() = 0;
    /// Everything worked; the mailbox holds `messageCount` messages.
    virtual void succeeded(int messageCount) = 0;
};
