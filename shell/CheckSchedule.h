#pragma once

#include "core/CheckStarter.h"
#include "transport/CheckProblem.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>

/// When checks run: every `Timeout` minutes; at once when asked; for one account right after it
/// was added or its connection settings changed; after a wake-up or the network's return; and,
/// for an account whose failure may pass (no connection, no answer, busy), again after 30 s,
/// then 1, 2 and 4 minutes — never later than the interval would, and only while automatic
/// checks are on. Checks start at once, also while others run: the starter checks no account
/// twice at a time. Lives on the interface thread.
class CheckSchedule : public QObject {
    Q_OBJECT
public:
    /// Starts a check of the selected accounts (all without a selection) and returns its id; 0
    /// when the selection takes no account.
    using Start = std::function<CheckStarter::CheckId(const CheckStarter::Selection& selected)>;

    explicit CheckSchedule(Start start, QObject* parent = nullptr);

    /// Checks every `minutes` from now on; 0 turns automatic checks off.
    void setInterval(std::uint32_t minutes);
    /// Checks every account now; returns the check's id.
    CheckStarter::CheckId checkAll();
    /// Checks this account now.
    void checkAccount(const std::string& emailAddress);
    /// The account is gone: no turn of its own any more.
    void forget(const std::string& emailAddress);

    // The checks' events, on the interface thread.
    void accountChecked(const std::string& emailAddress);
    void accountFailed(const std::string& emailAddress, const CheckProblem& problem,
                       int failuresInARow);
    void checkFinished();

    /// When the last check was and when the next is due, as a sentence: "Last check at 14:05;
    /// next at 14:10.", or "...; automatic checks are off.".
    QString summary() const;

    /// The wait before the next try of an account that failed this many times in a row with
    /// this problem; zero when the scheduled check comes first or none is due.
    std::chrono::milliseconds retryDelay(const CheckProblem& problem, int failuresInARow) const;

Q_SIGNALS:
    /// The summary changed: a check ended, or the interval did.
    void summaryChanged();

private:
    /// Checks the accounts `selected` takes, all of them without a selection.
    CheckStarter::CheckId start(const std::set<std::string>* selected);
    /// Starts the retries that are due.
    void retryDue();
    void armRetry();

    Start m_start;
    QTimer m_interval;
    QTimer m_retry;
    std::uint32_t m_minutes = 0;
    /// Accounts to try again before the next scheduled check, and when.
    std::map<std::string, QDateTime> m_retries;
    QDateTime m_lastCheck;
};
