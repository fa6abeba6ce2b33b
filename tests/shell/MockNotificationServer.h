#pragma once

// python3-dbusmock's notification server, started on the private session bus that
// tests/shell/with-private-buses gives the shell's tests.

#include "shell/DesktopNotifications.h"
#include "tests/shell/DbusMockCalls.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QProcess>
#include <QTest>

namespace ShellTest {

// The mock notification server, with the capabilities given, for as long as it lives.
class MockServer {
public:
    explicit MockServer(const QString& capabilities) {
        m_process.start(QStringLiteral("/usr/bin/python3"),
                        {QStringLiteral("-m"), QStringLiteral("dbusmock"),
                         QStringLiteral("--template"), QStringLiteral("notification_daemon"),
                         QStringLiteral("-p"),
                         QStringLiteral("{\"capabilities\": \"%1\"}").arg(capabilities)});
    }
    ~MockServer() {
        m_process.kill();
        m_process.waitForFinished();
        // Gone from the bus before the next one comes.
        (void)QTest::qWaitFor([] { return !DesktopNotifications::available(); }, 5000);
    }
    bool up() {
        return QTest::qWaitFor([] { return DesktopNotifications::available(); }, 10000);
    }

    /// The arguments of every Notify the server was sent, oldest first.
    QList<QVariantList> notified() const {
        return mockCalls(mock(QStringLiteral("GetMethodCalls"), {QStringLiteral("Notify")}));
    }
    /// The server tells of a click on an action.
    void invoke(uint id, const QString& action) const {
        mock(QStringLiteral("EmitSignal"),
             {QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"),
              QStringLiteral("us"), QVariant(QVariantList{id, action})});
    }

private:
    static QDBusMessage mock(const QString& method, const QVariantList& arguments) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                           QStringLiteral("/org/freedesktop/Notifications"),
                                           QStringLiteral("org.freedesktop.DBus.Mock"), method);
        call.setArguments(arguments);
        return QDBusConnection::sessionBus().call(call);
    }

    QProcess m_process;
};

inline const char* sessionBusMissing() {
    if (qEnvironmentVariableIsEmpty("VELOMAR_TEST_SESSION_BUS"))
        return "needs the private session bus of tests/shell/with-private-buses";
    if (!QFile::exists(QStringLiteral("/usr/bin/python3")))
        return "needs python3-dbusmock";
    return "";
}

} // namespace ShellTest
