// Waking up and the network coming back, told by mock logind and NetworkManager services
// (python3-dbusmock) on the private system bus that with-system-bus gives this program and
// starts them on.
#include "app/WakeWatcher.h"
#include "tests/support/QtTests.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QSignalSpy>
#include <QTest>

namespace {

using namespace std::chrono_literals;

constexpr auto kSettle = 100ms;
// Long enough for a wrongly started settle delay to end several times over.
constexpr int kQuietMs = 600;
constexpr int kSignalMs = 5000;

const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kNetworkManager = QStringLiteral("org.freedesktop.NetworkManager");

// Calls one of the mock's own methods and says whether it worked.
bool callMock(const QString& service, const QString& path, const QString& method,
              const QVariantList& arguments) {
    auto call = QDBusMessage::createMethodCall(service, path,
                                               QStringLiteral("org.freedesktop.DBus.Mock"), method);
    call.setArguments(arguments);
    return QDBusConnection::systemBus().call(call).type() == QDBusMessage::ReplyMessage;
}

bool registered(const QString& service) {
    return QDBusConnection::systemBus().interface()->isServiceRegistered(service);
}

} // namespace

class WakeWatcherTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        const QByteArray bus = qgetenv("VELOMAR_TEST_SYSTEM_BUS");
        if (bus.isEmpty() || bus != qgetenv("DBUS_SYSTEM_BUS_ADDRESS"))
            QSKIP("needs the private system bus of tests/shell/with-system-bus, which needs "
                  "dbus-daemon (ctest runs this program through it)");
        if (!registered(kLogind) || !registered(kNetworkManager))
            QSKIP("python3-dbusmock's logind and NetworkManager mocks are not on the private "
                  "system bus (is python3-dbusmock installed?)");
    }

    void cleanup() { setOnline(true); }

    void wakingUpAsksForOneCheckGoingToSleepForNone() {
        WakeWatcher watcher(kSettle);
        QSignalSpy asked(&watcher, &WakeWatcher::checkWanted);
        prepareForSleep(true);
        QVERIFY(!asked.wait(kQuietMs));
        prepareForSleep(false);
        prepareForSleep(false);
        expectOneCheck(asked);
    }

    void networkComingBackAsksForOneCheck() {
        WakeWatcher watcher(kSettle);
        QSignalSpy asked(&watcher, &WakeWatcher::checkWanted);
        setOnline(false);
        QVERIFY(!asked.wait(kQuietMs));
        setOnline(true);
        expectOneCheck(asked);
    }

    void wakingUpOfflineWaitsForTheNetwork() {
        WakeWatcher watcher(kSettle);
        QSignalSpy asked(&watcher, &WakeWatcher::checkWanted);
        setOnline(false);
        prepareForSleep(false);
        QVERIFY(!asked.wait(kQuietMs));
        setOnline(true);
        expectOneCheck(asked);
    }

private:
    static void prepareForSleep(bool goingToSleep) {
        QVERIFY(callMock(
            kLogind, QStringLiteral("/org/freedesktop/login1"), QStringLiteral("EmitSignal"),
            {QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
             QStringLiteral("b"), QVariant(QVariantList{goingToSleep})}));
    }

    // Sets NetworkManager's global state and waits until Qt has heard it.
    static void setOnline(bool online) {
        const uint connectedGlobal = 70, disconnected = 20;
        QVERIFY(callMock(kNetworkManager, QStringLiteral("/org/freedesktop/NetworkManager"),
                         QStringLiteral("SetGlobalConnectionState"),
                         {online ? connectedGlobal : disconnected}));
        const auto expected = online ? QNetworkInformation::Reachability::Online
                                     : QNetworkInformation::Reachability::Disconnected;
        QTRY_COMPARE_WITH_TIMEOUT(QNetworkInformation::instance()->reachability(), expected,
                                  kSignalMs);
    }

    static void expectOneCheck(QSignalSpy& asked) {
        QVERIFY(asked.wait(kSignalMs));
        QVERIFY(!asked.wait(kQuietMs));
        QCOMPARE(asked.count(), 1);
    }
};

VELOMAR_QT_TEST(WakeWatcherTest);

#include "WakeWatcherTest.moc"
