#include "app/CheckRequests.h"

CheckRequests::CheckRequests(std::function<bool()> startCheck, QObject* parent)
    : QObject(parent), m_startCheck(std::move(startCheck)) {
    m_retry.setSingleShot(true);
    m_retry.setInterval(20);
    connect(&m_retry, &QTimer::timeout, this, &CheckRequests::startWhenIdle);
}

void CheckRequests::add(Done done) {
    m_waiting.push_back(std::move(done));
    startWhenIdle();
}

void CheckRequests::startWhenIdle() {
    if (m_checking || m_waiting.empty())
        return;
    if (!m_startCheck())
        m_retry.start();
}

void CheckRequests::checkStarted() {
    m_checking = true;
    m_retry.stop();
    m_outcomes.clear();
    m_inCheck.insert(m_inCheck.end(), std::make_move_iterator(m_waiting.begin()),
                     std::make_move_iterator(m_waiting.end()));
    m_waiting.clear();
}

void CheckRequests::accountChecked(const std::string& emailAddress,
                                   const Logic::Account::MailList& newMails) {
    if (!m_inCheck.empty())
        m_outcomes.accountChecked(emailAddress, newMails);
}

void CheckRequests::accountFailed(const std::string& emailAddress, CheckFailure failure) {
    if (!m_inCheck.empty())
        m_outcomes.accountFailed(emailAddress, failure);
}

void CheckRequests::checkFinished(const std::vector<AccountView>& accounts) {
    m_checking = false;
    if (!m_inCheck.empty()) {
        const CheckReport report = m_outcomes.report(accounts);
        for (const Done& done : std::exchange(m_inCheck, {}))
            done(report);
    }
    startWhenIdle();
}
