// The tray icon where the notification area is a StatusNotifierWatcher on the session bus (KDE
// Plasma, waybar, GNOME's AppIndicator extension), on an X server of its own: the item
// registers, its picture and tooltip follow the program's state, its menu holds the four
// items, a click toggles the window, and it registers again when the watcher restarts.
#include "shell/TrayIcon.h"
#include "tests/shell/DbusMockCalls.h"
#include "tests/support/QtTests.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

namespace {

using ShellTest::mockCalls;

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kItem = QStringLiteral("org.kde.StatusNotifierItem");

// As a panel would call: over a connection of its own, through the bus, answered while the event
// loop runs (the item lives in this very process, and a call that blocked the loop would wait
// for itself).
QDBusMessage callOn(const QString& service, const QString& path, const QString& interface,
                    const QString& method, const QVariantList& arguments = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    QDBusPendingCall pending =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("panel"))
            .asyncCall(call);
    if (!QTest::qWaitFor([&] { return pending.isFinished(); }, 10000))
        return {};
    return pending.reply();
}

// The watcher of status_notifier_watcher.py, which takes registrations and says a host is
// there from the moment its name is on the bus.
class MockWatcher {
public:
    MockWatcher() {
        m_process.start(QStringLiteral("/usr/bin/python3"),
                        {QStringLiteral("-m"), QStringLiteral("dbusmock"),
                         QStringLiteral("--template"),
                         QStringLiteral(VELOMAR_TEST_SOURCE_DIR "/status_notifier_watcher.py")});
    }
    ~MockWatcher() {
        m_process.kill();
        m_process.waitForFinished();
    }
    bool up() {
        return QTest::qWaitFor(
            [] { return QDBusConnection::sessionBus().interface()->isServiceRegistered(kWatcher); },
            10000);
    }
    /// The services of the items that registered so far.
    QStringList registered() const {
        QStringList services;
        for (const QVariantList& arguments : mockCalls(mock(
                 QStringLiteral("GetMethodCalls"), {QStringLiteral("RegisterStatusNotifierItem")})))
            services << arguments.value(0).toString();
        return services;
    }

private:
    static QDBusMessage mock(const QString& method, const QVariantList& arguments) {
        return callOn(kWatcher, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Mock"), method,
                      arguments);
    }

    QProcess m_process;
};

QVariant itemProperty(const QString& service, const QString& name) {
    const QDBusMessage reply = callOn(service, QStringLiteral("/StatusNotifierItem"),
                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                      QStringLiteral("Get"), {kItem, name});
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

// The labels of the menu's top-level entries, as com.canonical.dbusmenu lays them out.
QStringList menuLabels(const QString& service) {
    const QString path =
        itemProperty(service, QStringLiteral("Menu")).value<QDBusObjectPath>().path();
    const QDBusMessage layout =
        callOn(service, path, QStringLiteral("com.canonical.dbusmenu"), QStringLiteral("GetLayout"),
               {0, -1, QStringList{QStringLiteral("label")}});
    QStringList labels;
    const QDBusArgument root = layout.arguments().value(1).value<QDBusArgument>();
    int id = 0;
    QVariantMap properties;
    QVariantList children;
    root.beginStructure();
    root >> id >> properties >> children;
    root.endStructure();
    for (const QVariant& child : children) {
        const QDBusArgument entry = child.value<QDBusArgument>();
        int childId = 0;
        QVariantMap childProperties;
        QVariantList grandChildren;
        entry.beginStructure();
        entry >> childId >> childProperties >> grandChildren;
        entry.endStructure();
        labels << childProperties.value(QStringLiteral("label")).toString();
    }
    return labels;
}

} // namespace

class TrayOverDbusTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theItemRegistersFollowsTheProgramAndComesBack() {
        if (QGuiApplication::platformName() != QStringLiteral("xcb") ||
            qEnvironmentVariableIsEmpty("VELOMAR_TEST_SESSION_BUS"))
            QSKIP("needs an X server and the private session bus of with-private-buses");
        auto watcher = std::make_unique<MockWatcher>();
        QVERIFY(watcher->up());
        TrayIcon tray;
        QTRY_COMPARE(watcher->registered().size(), 1);
        QVERIFY(TrayIcon::isAvailable());
        const QString item = watcher->registered().value(0);

        tray.setTooltip(QStringLiteral("Quorvex Velomar\n2 unread messages"));
        QTRY_VERIFY(itemProperty(item, QStringLiteral("ToolTip")).isValid());
        const auto picture = [&] {
            return itemProperty(item, QStringLiteral("IconPixmap"))
                .value<QDBusArgument>()
                .currentSignature();
        };
        QVERIFY(!picture().isEmpty());
        QCOMPARE(menuLabels(item),
                 (QStringList{QStringLiteral("Show Velomar"), QStringLiteral("Mark All As Read"),
                              QStringLiteral("Check E-Mail"), QString(),
                              QStringLiteral("E_xit")})); // dbusmenu marks mnemonics so

        QSignalSpy toggled(&tray, &TrayIcon::toggleRequested);
        callOn(item, QStringLiteral("/StatusNotifierItem"), kItem, QStringLiteral("Activate"),
               {0, 0});
        QTRY_COMPARE(toggled.size(), 1);

        // The desktop's panel restarts: the icon is back in it.
        watcher.reset();
        watcher = std::make_unique<MockWatcher>();
        QVERIFY(watcher->up());
        QTRY_COMPARE_WITH_TIMEOUT(watcher->registered().size(), 1, 10000);
    }
};

VELOMAR_QT_TEST(TrayOverDbusTest);

#include "TrayOverDbusTest.moc"
