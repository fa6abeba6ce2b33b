#include "app/ConnectionTestCollector.h"

ConnectionTestCollector::ConnectionTestCollector(const Logic::ConnectionSettings& settings,
                                                 Done done)
    : m_server(settings.serverName() + " port " + std::to_string(settings.port()) +
               (settings.useTls() ? " with TLS" : " without TLS")),
      m_login(settings.userLogin()), m_done(std::move(done)) {}

void ConnectionTestCollector::connectFailed(const std::string& tlsReason) {
    std::string failure = "could not connect to " + m_server + ".";
    if (!tlsReason.empty())
        failure += " " + tlsReason;
    m_done({false, 0, failure});
}

void ConnectionTestCollector::loginFailed() {
    m_done({false, 0, m_server + " refused the login name \"" + m_login + "\" or the password."});
}

void ConnectionTestCollector::statusFailed() {
    m_done({false, 0, m_server + " did not tell the mailbox's status."});
}

void ConnectionTestCollector::succeeded(int messageCount) {
    m_done({true, messageCount, {}});
}
