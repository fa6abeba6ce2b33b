#pragma once

#include "logic/ConnectionSettings.h"
#include "transport/ConnectionTestListener.h"

#include <functional>
#include <string>

/// How a connection test ended, in the command line's words.
struct ConnectionTestResult {
    bool succeeded = false;
    int messageCount = 0;
    /// Why it failed, naming the server, in sentences; empty after a success.
    std::string failure;
};

/// Hears a connection test for the command line and hands its result over once, on the test's
/// own thread; the steps on the way are not shown.
class ConnectionTestCollector : public ConnectionTestListener {
public:
    using Done = std::function<void(const ConnectionTestResult&)>;

    /// `settings` are the ones tested, for the failure texts; `loginAdvice` is added when the
    /// log-in is refused (what the provider wants, or nothing).
    ConnectionTestCollector(const Logic::ConnectionSettings& settings, std::string loginAdvice,
                            Done done);

    void connectFailed(const std::string& reason) override;
    void loginFailed(const std::string& reason) override;
    void statusFailed(const std::string& reason) override;
    void authorizing() override {}
    void retrievingStatus() override {}
    void succeeded(int messageCount) override;

private:
    std::string m_server;
    std::string m_login;
    std::string m_loginAdvice;
    Done m_done;
};
