// New mail as the desktop's notifications, against python3-dbusmock's notification server on
// the private session bus: what each notification carries, the actions only where the server
// takes them, the "+N more" summary, and the answers to a click or an action.
#include "shell/DesktopNotifications.h"
#include "logic/Mail.h"
#include "tests/shell/MockNotificationServer.h"
#include "tests/support/QtTests.h"

#include <QSignalSpy>
#include <QTest>

namespace {

std::shared_ptr<Logic::Mail> mail(const std::string& from, const std::string& subject) {
    return std::make_shared<Logic::Mail>("anna@example.org",
                                         "From: " + from + "\r\nSubject: " + subject + "\r\n\r\n");
}

using ShellTest::MockServer;
using ShellTest::sessionBusMissing;

} // namespace

class DesktopNotificationsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void eachMessageGetsANotificationWithItsActionsAndTheRestASummary() {
        if (const char* missing = sessionBusMissing(); *missing != '\0')
            QSKIP(missing);
        MockServer server(QStringLiteral("actions body body-markup"));
        QVERIFY(server.up());
        DesktopNotifications notifications;
        QTRY_VERIFY(notifications.knowsServer());
        const Logic::Account::MailList mails{mail("Anna <anna@example.net>", "Tea & cake"),
                                             mail("Bob", "Minutes"), mail("Carol", "Lunch")};
        notifications.showNewMails(mails, 2);
        QTRY_COMPARE(notifications.openCount(), 3u);

        const QList<QVariantList> sent = server.notified();
        QCOMPARE(sent.size(), 3);
        const QVariantList& first = sent[0];
        QCOMPARE(first[0].toString(), QStringLiteral("Quorvex Velomar"));
        QCOMPARE(first[3].toString(), QStringLiteral("anna@example.org"));
        // The server takes markup: what the mail says is shown, never read as markup.
        QCOMPARE(first[4].toString(),
                 QStringLiteral("Anna &lt;anna@example.net&gt;\nTea &amp; cake"));
        QCOMPARE(first[5].toStringList(),
                 (QStringList{QStringLiteral("default"), QStringLiteral("Show"),
                              QStringLiteral("open"), QStringLiteral("Open"),
                              QStringLiteral("mark-read"), QStringLiteral("Mark as read")}));
        const QVariantMap hints = qdbus_cast<QVariantMap>(first[6]);
        QCOMPARE(hints.value(QStringLiteral("category")).toString(),
                 QStringLiteral("email.arrived"));
        QCOMPARE(hints.value(QStringLiteral("desktop-entry")).toString(),
                 QStringLiteral("com.quorvexsoftware.velomar"));
        QVERIFY(hints.value(QStringLiteral("suppress-sound")).toBool());
        QCOMPARE(sent[2][4].toString(), QStringLiteral("+1 more new messages"));

        QSignalSpy shown(&notifications, &DesktopNotifications::showRequested);
        QSignalSpy opened(&notifications, &DesktopNotifications::openRequested);
        QSignalSpy marked(&notifications, &DesktopNotifications::markReadRequested);
        server.invoke(1, QStringLiteral("default"));
        server.invoke(2, QStringLiteral("open"));
        server.invoke(1, QStringLiteral("mark-read"));
        server.invoke(77, QStringLiteral("open")); // another program's
        QTRY_COMPARE(marked.size(), 1);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened[0][0].value<std::string>(), "anna@example.org");
        QCOMPARE(marked[0][0].value<std::shared_ptr<const Logic::Mail>>(), mails[0]);

        // Read in the program: its notification goes.
        notifications.withdrawRead(
            [&](const Logic::Mail& message) { return &message != mails[1].get(); });
        QTRY_COMPARE(notifications.openCount(), 2u);
    }

    void aServerWithoutActionsIsOfferedNone() {
        if (const char* missing = sessionBusMissing(); *missing != '\0')
            QSKIP(missing);
        MockServer server(QStringLiteral("body"));
        QVERIFY(server.up());
        DesktopNotifications notifications;
        QTRY_VERIFY(notifications.knowsServer());
        notifications.showNewMails({mail("Anna <anna@example.net>", "Tea & cake")}, 5);
        QTRY_COMPARE(notifications.openCount(), 1u);
        const QVariantList sent = server.notified().value(0);
        QVERIFY(sent[5].toStringList().isEmpty());
        QCOMPARE(sent[4].toString(), QStringLiteral("Anna <anna@example.net>\nTea & cake"));
    }
};

VELOMAR_QT_TEST(DesktopNotificationsTest);

#include "DesktopNotificationsTest.moc"
