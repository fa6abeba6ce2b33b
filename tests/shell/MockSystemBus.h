#pragma once

// The mock logind and NetworkManager (python3-dbusmock) that tests/shell/with-private-buses puts
// on the private system bus it runs the shell's tests with.

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QString>
#include <QVariant>

namespace ShellTest {

/// Why the mocks cannot be used, or empty when they can.
inline const char* mockSystemBusMissing() {
    const QByteArray bus = qgetenv("VELOMAR_TEST_SYSTEM_BUS");
    if (bus.isEmpty() || bus != qgetenv("DBUS_SYSTEM_BUS_ADDRESS"))
        return "needs the private system bus of tests/shell/with-private-buses, which needs "
               "dbus-daemon (ctest runs this program through it)";
    QDBusConnectionInterface* services = QDBusConnection::systemBus().interface();
    if (!services->isServiceRegistered(QStringLiteral("org.freedesktop.login1")) ||
        !services->isServiceRegistered(QStringLiteral("org.freedesktop.NetworkManager")))
        return "python3-dbusmock's logind and NetworkManager mocks are not on the private "
               "system bus (is python3-dbusmock installed?)";
    return "";
}

/// Calls one of a mock's own methods; true when it worked.
inline bool callMock(const QString& service, const QString& path, const QString& method,
                     const QVariantList& arguments) {
    auto call = QDBusMessage::createMethodCall(service, path,
                                               QStringLiteral("org.freedesktop.DBus.Mock"), method);
    call.setArguments(arguments);
    return QDBusConnection::systemBus().call(call).type() == QDBusMessage::ReplyMessage;
}

/// logind tells that the computer goes to sleep (true) or has woken up (false).
inline bool emitPrepareForSleep(bool goingToSleep) {
    return callMock(QStringLiteral("org.freedesktop.login1"),
                    QStringLiteral("/org/freedesktop/login1"), QStringLiteral("EmitSignal"),
                    {QStringLiteral("org.freedesktop.login1.Manager"),
                     QStringLiteral("PrepareForSleep"), QStringLiteral("b"),
                     QVariant(QVariantList{goingToSleep})});
}

/// NetworkManager's global state: connected or disconnected.
inline bool setNetworkConnected(bool connected) {
    const uint connectedGlobal = 70, disconnected = 20;
    return callMock(QStringLiteral("org.freedesktop.NetworkManager"),
                    QStringLiteral("/org/freedesktop/NetworkManager"),
                    QStringLiteral("SetGlobalConnectionState"),
                    {connected ? connectedGlobal : disconnected});
}

} // namespace ShellTest
