#include "shell/CheckSchedule.h"

#include <QLocale>

#include <algorithm>
#include <limits>

namespace {

using namespace std::chrono_literals;

// The first quick retry; each next one waits twice as long, up to the last.
constexpr std::chrono::milliseconds kFirstRetry = 30s;
constexpr std::chrono::milliseconds kLastRetry = 4min;

// The hour and minute as the user's locale writes them; some locales' short format has seconds.
QString timeText(const QDateTime& moment) {
    const QLocale locale = QLocale::system();
    QString format = locale.timeFormat(QLocale::ShortFormat);
    format.remove(QStringLiteral(":ss"));
    return locale.toString(moment.time(), format);
}

} // namespace

CheckSchedule::CheckSchedule(Start start, QObject* parent)
    : QObject(parent), m_start(std::move(start)) {
    m_interval.setParent(this); // found by its name, like the window's controls
    m_interval.setObjectName(QStringLiteral("checkTimer"));
    connect(&m_interval, &QTimer::timeout, this, &CheckSchedule::checkAll);
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &CheckSchedule::retryDue);
}

void CheckSchedule::setInterval(std::uint32_t minutes) {
    m_minutes = minutes;
    if (minutes == 0) {
        m_interval.stop();
        m_retries.clear();
        m_retry.stop();
    } else {
        // A timer counts in int milliseconds: about 24 days at most.
        const auto period = std::min<std::uint64_t>(std::uint64_t{minutes} * 60000,
                                                    std::numeric_limits<int>::max());
        m_interval.start(static_cast<int>(period));
    }
    Q_EMIT summaryChanged();
}

CheckStarter::CheckId CheckSchedule::checkAll() {
    return start(nullptr);
}

void CheckSchedule::checkAccount(const std::string& emailAddress) {
    const std::set<std::string> selected{emailAddress};
    start(&selected);
}

CheckStarter::CheckId CheckSchedule::start(const std::set<std::string>* selected) {
    CheckStarter::Selection selection;
    if (selected)
        selection = [selected](const std::string& address) { return selected->contains(address); };
    const CheckStarter::CheckId check = m_start(selection);
    // What this check takes needs no other turn.
    if (!selected) {
        m_retries.clear();
    } else {
        for (const std::string& address : *selected)
            m_retries.erase(address);
    }
    armRetry();
    return check;
}

void CheckSchedule::retryDue() {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    std::set<std::string> due;
    for (const auto& [address, when] : m_retries) {
        if (when <= now)
            due.insert(address);
    }
    if (!due.empty())
        start(&due);
    armRetry();
}

void CheckSchedule::forget(const std::string& emailAddress) {
    m_retries.erase(emailAddress);
    armRetry();
}

void CheckSchedule::accountChecked(const std::string& emailAddress) {
    m_retries.erase(emailAddress);
}

void CheckSchedule::accountFailed(const std::string& emailAddress, const CheckProblem& problem,
                                  int failuresInARow) {
    const std::chrono::milliseconds delay = retryDelay(problem, failuresInARow);
    if (delay == std::chrono::milliseconds::zero()) {
        m_retries.erase(emailAddress);
        return;
    }
    m_retries[emailAddress] = QDateTime::currentDateTimeUtc().addMSecs(delay.count());
    armRetry();
}

std::chrono::milliseconds CheckSchedule::retryDelay(const CheckProblem& problem,
                                                    int failuresInARow) const {
    if (!problem.mayPass || m_minutes == 0 || failuresInARow <= 0)
        return std::chrono::milliseconds::zero();
    const std::chrono::milliseconds interval = std::chrono::minutes(m_minutes);
    std::chrono::milliseconds delay = kFirstRetry;
    for (int i = 1; i < failuresInARow && delay < kLastRetry; ++i)
        delay *= 2;
    delay = std::max<std::chrono::milliseconds>(delay, problem.retryAfter);
    // The scheduled check comes first: no quick retry is needed.
    if (delay >= interval)
        return std::chrono::milliseconds::zero();
    return delay;
}

void CheckSchedule::armRetry() {
    if (m_retries.empty()) {
        m_retry.stop();
        return;
    }
    const auto soonest =
        std::min_element(m_retries.begin(), m_retries.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
    const qint64 wait =
        std::max<qint64>(0, QDateTime::currentDateTimeUtc().msecsTo(soonest->second));
    m_retry.start(static_cast<int>(std::min<qint64>(wait, std::numeric_limits<int>::max())));
}

void CheckSchedule::checkFinished() {
    m_lastCheck = QDateTime::currentDateTime();
    Q_EMIT summaryChanged();
}

QString CheckSchedule::summary() const {
    QString text;
    if (m_lastCheck.isValid())
        text = QStringLiteral("Last check at %1; ").arg(timeText(m_lastCheck));
    QString next;
    if (!m_interval.isActive()) {
        next = QStringLiteral("automatic checks are off.");
    } else {
        QDateTime due = QDateTime::currentDateTime().addMSecs(m_interval.remainingTime());
        if (m_retry.isActive())
            due = std::min(due, QDateTime::currentDateTime().addMSecs(m_retry.remainingTime()));
        next = QStringLiteral("next at %1.").arg(timeText(due));
    }
    if (text.isEmpty())
        next[0] = next[0].toUpper();
    return text + next;
}
