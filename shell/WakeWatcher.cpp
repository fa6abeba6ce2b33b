#include "shell/WakeWatcher.h"

#include "foundation/Reporter.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <utility>

namespace {

const QString kLogindService = QStringLiteral("org.freedesktop.login1");

void reportMissing(const char* what, const QString& detail) {
    Norq::report("Wake", what, detail.toStdString());
}

} // namespace

WakeWatcher::WakeWatcher(std::chrono::milliseconds settleDelay, QObject* parent) : QObject(parent) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleDelay);
    connect(&m_settle, &QTimer::timeout, this, &WakeWatcher::checkWanted);
    watchLogind();
    watchNetwork();
}

void WakeWatcher::watchLogind() {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        reportMissing("no system bus; no check on waking up", bus.lastError().message());
        return;
    }
    // QDBusConnection names its receiver by slot signature only; there is no function-pointer
    // form of this connect.
    if (!bus.connect(kLogindService, QStringLiteral("/org/freedesktop/login1"),
                     QStringLiteral("org.freedesktop.login1.Manager"),
                     QStringLiteral("PrepareForSleep"), this, SLOT(prepareForSleep(bool)))) {
        reportMissing("cannot hear logind; no check on waking up", bus.lastError().message());
        return;
    }
    // The connection above also holds if logind starts later; a missing one is only worth a
    // line, asked without blocking the interface thread.
    auto* call = new QDBusPendingCallWatcher(
        bus.interface()->asyncCall(QStringLiteral("NameHasOwner"), kLogindService), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [](QDBusPendingCallWatcher* done) {
        const QDBusPendingReply<bool> reply = *done;
        if (reply.isError() || !reply.value())
            reportMissing("logind is not running; no check on waking up", kLogindService);
        done->deleteLater();
    });
}

void WakeWatcher::watchNetwork() {
    // NetworkManager where it runs, otherwise any backend that knows reachability.
    if (!QNetworkInformation::loadDefaultBackend())
        QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    const QNetworkInformation* network = QNetworkInformation::instance();
    if (!network || !network->supports(QNetworkInformation::Feature::Reachability)) {
        reportMissing("network reachability unknown; no check when the network comes back",
                      QString());
        return;
    }
    m_knowsNetwork = true;
    m_online = network->reachability() == QNetworkInformation::Reachability::Online;
    connect(network, &QNetworkInformation::reachabilityChanged, this,
            &WakeWatcher::reachabilityChanged);
}

void WakeWatcher::prepareForSleep(bool goingToSleep) {
    if (goingToSleep) {
        // A check started now would be cut off by the sleep.
        m_settle.stop();
        return;
    }
    // Offline, the network's return asks for the check.
    if (!m_knowsNetwork || m_online)
        settle();
}

void WakeWatcher::reachabilityChanged(QNetworkInformation::Reachability reachability) {
    const bool wasOnline =
        std::exchange(m_online, reachability == QNetworkInformation::Reachability::Online);
    if (m_online && !wasOnline)
        settle();
}

void WakeWatcher::settle() {
    // Not restarted: the first event of a burst sets when the check starts.
    if (!m_settle.isActive())
        m_settle.start();
}
