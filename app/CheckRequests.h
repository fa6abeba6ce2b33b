#pragma once

#include "app/CheckOutcomes.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <vector>

/// Checks asked for from outside the window (another start's `--check-once`): each request
/// gets the report of the first check that starts after it arrived, so a check already under
/// way when it came is followed by a new one. Lives on the interface thread and hears the
/// check's events there, which arrive a moment after the checks they belong to have started.
class CheckRequests : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(const CheckReport&)>;

    /// `startCheck` returns false when the checker is still busy; a check it starts must be
    /// announced with `checkStarting`, as every other start is.
    explicit CheckRequests(std::function<bool()> startCheck, QObject* parent = nullptr);

    void add(Done done);

    /// A check has just been started (called at once, not through the event queue).
    void checkStarting();

    // The check's events, in the order they happened.
    void checkStarted();
    void accountChecked(const std::string& emailAddress, const Logic::Account::MailList& newMails);
    void accountFailed(const std::string& emailAddress, const CheckProblem& problem);
    /// The accounts as the check left them.
    void checkFinished(const std::vector<AccountView>& accounts, const std::string& saveError);

private:
    struct Request {
        /// The number of the first check that may answer it.
        unsigned check;
        Done done;
    };

    void startWhenIdle();

    std::function<bool()> m_startCheck;
    std::vector<Request> m_waiting;
    std::vector<Done> m_inCheck;
    CheckOutcomes m_outcomes;
    unsigned m_started = 0;
    unsigned m_startedSeen = 0;
    unsigned m_finishedSeen = 0;
    /// The checker reports its end a moment before it can start again.
    QTimer m_retry;
};
