// Waking up and the network coming back, told by mock logind and NetworkManager services
// (python3-dbusmock) on the private system bus that with-private-buses gives this program and
// starts them on.
#include "shell/WakeWatcher.h"
#include "tests/shell/MockSystemBus.h"
#include "tests/support/QtTests.h"

#include <QSignalSpy>
#include <QTest>

namespace {

using namespace std::chrono_literals;

constexpr auto kSettle = 100ms;
// Long enough for a wrongly started settle delay to end several times over.
constexpr int kQuietMs = 600;
constexpr int kSignalMs = 5000;

} // namespace

class WakeWatcherTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        if (const char* missing = ShellTest::mockSystemBusMissing(); *missing != '\0')
            QSKIP(missing);
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
        QVERIFY(ShellTest::emitPrepareForSleep(goingToSleep));
    }

    // Sets NetworkManager's global state and waits until Qt has heard it.
    static void setOnline(bool online) {
        QVERIFY(ShellTest::setNetworkConnected(online));
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
