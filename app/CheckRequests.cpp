#include "app/CheckRequests.h"

CheckRequests::CheckRequests(std::function<bool()> startCheck, QObject* parent)
    : QObject(parent), m_startCheck(std::move(startCheck)) {
    m_retry.setSingleShot(true);
    m_retry.setInterval(20);
    connect(&m_retry, &QTimer::timeout, this, &CheckRequests::startWhenIdle);
}

void CheckRequests::add(Done done) {
    m_waiting.push_back({m_started + 1, std::move(done)});
    startWhenIdle();
}

void CheckRequests::checkStarting() {
    ++m_started;
}

void CheckRequests::startWhenIdle() {
    // A check whose end has not been seen yet calls again when it ends.
    if (m_waiting.empty() || m_started != m_finishedSeen)
        return;
    if (!m_startCheck())
        m_retry.start();
}

void CheckRequests::checkStarted() {
    ++m_startedSeen;
    m_outcomes.clear();
    std::erase_if(m_waiting, [this](Request& request) {
        if (request.check > m_startedSeen)
            return false;
        m_inCheck.push_back(std::move(request.done));
        return true;
    });
}

void CheckRequests::accountChecked(const std::string& emailAddress,
                                   const Logic::Account::MailList& newMails) {
    if (!m_inCheck.empty())
        m_outcomes.accountChecked(emailAddress, newMails);
}

void CheckRequests::accountFailed(const std::string& emailAddress, const CheckProblem& problem) {
    if (!m_inCheck.empty())
        m_outcomes.accountFailed(emailAddress, problem);
}

void CheckRequests::checkFinished(const std::vector<AccountView>& accounts,
                                  const std::string& saveError) {
    ++m_finishedSeen;
    if (!m_inCheck.empty()) {
        const CheckReport report = m_outcomes.report(accounts, saveError);
        for (const Done& done : std::exchange(m_inCheck, {}))
            done(report);
    }
    startWhenIdle();
}
