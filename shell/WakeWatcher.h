#pragma once

#include <QNetworkInformation>
#include <QObject>
#include <QTimer>

#include <chrono>

/// Asks for a mail check when the computer wakes from suspend (logind's PrepareForSleep on the
/// system bus) and when the network comes back. Events within the settle delay of each other
/// give one request; a wake while the network is down waits for the network. Without a system
/// bus, logind or a network backend it watches what remains.
class WakeWatcher : public QObject {
    Q_OBJECT
public:
    explicit WakeWatcher(std::chrono::milliseconds settleDelay = std::chrono::milliseconds(1500),
                         QObject* parent = nullptr);

Q_SIGNALS:
    /// The computer woke up or the network came back, and as far as we can tell it is online.
    void checkWanted();

private Q_SLOTS:
    void prepareForSleep(bool goingToSleep);

private:
    void watchLogind();
    void watchNetwork();
    void reachabilityChanged(QNetworkInformation::Reachability reachability);
    void settle();

    QTimer m_settle;
    bool m_knowsNetwork = false;
    bool m_online = false;
};
