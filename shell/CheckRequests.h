#pragma once

#include "cli/CheckOutcomes.h"
#include "core/CheckStarter.h"

#include <QObject>

#include <functional>
#include <map>
#include <vector>

/// Checks asked for from outside the window (another start's `--check-once`): each request
/// starts a check of every account at once and gets its report when that check ends. An
/// account that was being checked when the request came counts with the result of that check.
/// Lives on the interface thread and hears the checks' events there.
class CheckRequests : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(const CheckReport&)>;

    /// `startCheck` starts a check of every account and returns its id.
    explicit CheckRequests(std::function<CheckStarter::CheckId()> startCheck,
                           QObject* parent = nullptr);

    void add(Done done);

    // The checks' events, in the order they happened.
    void checkStarted(CheckStarter::CheckId check);
    void accountChecked(const std::string& emailAddress, const Logic::Account::MailList& newMails);
    void accountFailed(const std::string& emailAddress, const CheckProblem& problem);
    /// The accounts as the check left them.
    void checkFinished(CheckStarter::CheckId check, const std::vector<AccountView>& accounts,
                       const std::string& saveError);

private:
    /// A check that requests wait for, and what it found so far.
    struct Awaited {
        std::vector<Done> requests;
        /// Events from before the check's start, still in the queue when it was asked for,
        /// are not its own.
        bool started = false;
        CheckOutcomes outcomes;
    };

    std::function<CheckStarter::CheckId()> m_startCheck;
    std::map<CheckStarter::CheckId, Awaited> m_awaited;
};
