#include "cli/ConnectionTestCollector.h"

ConnectionTestCollector::ConnectionTestCollector(const Logic::ConnectionSettings& settings,
                                                 std::string loginAdvice, Done done)
    : m_server(settings.serverName() + " port " + std::to_string(settings.port()) +
               (settings.useTls() ? " with TLS" : " without TLS")),
      m_login(settings.userLogin()), m_loginAdvice(std::move(loginAdvice)),
      m_done(std::move(done)) {}

void ConnectionTestCollector::connectFailed(const std::string& reason) {
    m_done({false, 0, "could not connect to " + m_server + ". " + reason});
}

void ConnectionTestCollector::loginFailed(const std::string& reason) {
    std::string failure =
        m_server + " refused the login name \"" + m_login + "\" or the password. " + reason;
    if (!m_loginAdvice.empty())
        failure += " " + m_loginAdvice;
    m_done({false, 0, failure});
}

void ConnectionTestCollector::statusFailed(const std::string& reason) {
    m_done({false, 0, m_server + " did not tell the mailbox's status. " + reason});
}

void ConnectionTestCollector::succeeded(int messageCount) {
    m_done({true, messageCount, {}});
}
