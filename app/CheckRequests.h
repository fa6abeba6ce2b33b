#pragma once

#include "app/CheckOutcomes.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <vector>

/// Checks asked for from outside the window (another start's `--check-once`): each request
/// gets the report of the first check that starts after it arrived, so a check already under
/// way when it came is followed by a new one. Lives on the interface thread and hears the
/// check's events there.
class CheckRequests : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(const CheckReport&)>;

    /// `startCheck` returns false when the checker is still busy.
    CheckRequests(std::function<bool()> startCheck, QObject* parent = nullptr);

    void add(Done done);

    void checkStarted();
    void accountChecked(const std::string& emailAddress, const Logic::Account::MailList& newMails);
    void accountFailed(const std::string& emailAddress, CheckFailure failure);
    /// The accounts as the check left them.
    void checkFinished(const std::vector<AccountView>& accounts);

private:
    void startWhenIdle();

    std::function<bool()> m_startCheck;
    std::vector<Done> m_waiting;
    std::vector<Done> m_inCheck;
    CheckOutcomes m_outcomes;
    bool m_checking = false;
    /// The checker reports its end a moment before it can start again.
    QTimer m_retry;
};
