#include "shell/CheckRequests.h"

CheckRequests::CheckRequests(std::function<CheckStarter::CheckId()> startCheck, QObject* parent)
    : QObject(parent), m_startCheck(std::move(startCheck)) {}

void CheckRequests::add(Done done) {
    // Its events are still on their way through the event queue.
    m_awaited[m_startCheck()].requests.push_back(std::move(done));
}

void CheckRequests::checkStarted(CheckStarter::CheckId check) {
    if (const auto found = m_awaited.find(check); found != m_awaited.end())
        found->second.started = true;
}

void CheckRequests::accountChecked(const std::string& emailAddress,
                                   const Logic::Account::MailList& newMails) {
    for (auto& [check, awaited] : m_awaited) {
        if (awaited.started)
            awaited.outcomes.accountChecked(emailAddress, newMails);
    }
}

void CheckRequests::accountFailed(const std::string& emailAddress, const CheckProblem& problem) {
    for (auto& [check, awaited] : m_awaited) {
        if (awaited.started)
            awaited.outcomes.accountFailed(emailAddress, problem);
    }
}

void CheckRequests::checkFinished(CheckStarter::CheckId check,
                                  const std::vector<AccountView>& accounts,
                                  const std::string& saveError) {
    const auto found = m_awaited.find(check);
    if (found == m_awaited.end())
        return;
    const Awaited awaited = std::move(found->second);
    m_awaited.erase(found);
    const CheckReport report = awaited.outcomes.report(accounts, saveError);
    for (const Done& done : awaited.requests)
        done(report);
}
