// The connection test dialog against the test Dovecot and a server that never answers: each
// result in its words with the bar where the test stopped, Cancel closing at once, and the
// "Test" button trying what is typed.
#include "ui/ConnectionTestDialog.h"
#include "core/LogicCore.h"
#include "logic/ConnectionSettings.h"
#include "logic/ServerPresets.h"
#include "tests/servers/DovecotServer.h"
#include "tests/servers/ScriptedPop3Server.h"
#include "tests/servers/Subprocess.h"
#include "tests/servers/TestCertificates.h"
#include "tests/support/Localhost.h"
#include "tests/support/QtTests.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TempHome.h"
#include "tests/ui/DialogTestSupport.h"
#include "ui/AccountSettingsSheet.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

using DialogTests::control;

namespace {

// Dovecot answers within moments; this only keeps a broken test from waiting for ever.
constexpr int kPatience = 20000;

Logic::ConnectionSettings settings(const std::string& server, std::uint16_t port, bool tls,
                                   const std::string& password) {
    Logic::ConnectionSettings settings;
    settings.setEmailAddress("alice@example.org");
    settings.setServerName(server);
    settings.setPort(port);
    settings.setUseTls(tls);
    settings.setUserLogin("alice");
    settings.setPassword(password);
    return settings;
}

} // namespace

class ConnectionTestDialogTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TestServers::TestCertificates> m_certificates;
    std::unique_ptr<TestServers::DovecotServer> m_dovecot;
    std::unique_ptr<TestServers::DovecotServer> m_otherHost;
    TestSupport::StderrCapture m_quiet;

private Q_SLOTS:
    void initTestCase() {
        m_certificates = std::make_unique<TestServers::TestCertificates>();
        m_certificates->trustAuthority();
        m_dovecot = std::make_unique<TestServers::DovecotServer>(m_certificates->localhost());
        m_dovecot->addUser("alice", "wonderland");
        for (const char* subject : {"one", "two", "three"})
            m_dovecot->deliver("alice", std::string("Subject: ") + subject + "\r\n\r\nbody\r\n");
        m_otherHost = std::make_unique<TestServers::DovecotServer>(m_certificates->otherHost());
        m_otherHost->addUser("alice", "wonderland");
    }
    void cleanupTestCase() {
        m_otherHost.reset();
        m_dovecot.reset();
    }

    void showsTheResult_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("tls");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("progress");
        const int plain = m_dovecot->plainPort();
        QTest::newRow("success") << "127.0.0.1" << plain << false << "wonderland"
                                 << "Success! You have 3 mails in your mailbox!" << 3;
        QTest::newRow("wrong password")
            << "127.0.0.1" << plain << false << "rabbit"
            << "Failed! Wrong user name or password!\n"
               "The server refused the log-in: [AUTH] Authentication failed. "
               "This provider needs an app password: https://help.example.org/"
            << 1;
        const int closedPort = TestServers::freeLoopbackPort();
        QTest::newRow("unreachable server")
            << "127.0.0.1" << closedPort << false << "wonderland"
            << QStringLiteral("Failed! Can't connect to server!\n"
                              "Could not connect to 127.0.0.1:%1: connection refused.")
                   .arg(closedPort)
            << 0;
        QTest::newRow("certificate for another host")
            << "localhost" << int(m_otherHost->tlsPort()) << true << "wonderland"
            << "Failed! Can't connect to server!\n"
               "The server's certificate is for another host name."
            << 0;
    }
    void showsTheResult() {
        QFETCH(QString, server);
        QFETCH(int, port);
        QFETCH(bool, tls);
        QFETCH(QString, password);
        QFETCH(QString, status);
        QFETCH(int, progress);
        if (server == QStringLiteral("localhost") && !TestSupport::localhostResolves())
            QSKIP(TestSupport::kNoLocalhost);
        ConnectionTestDialog dialog(
            settings(server.toStdString(), static_cast<std::uint16_t>(port), tls,
                     password.toStdString()),
            "This provider needs an app password: https://help.example.org/", nullptr);
        auto* button = control<QPushButton>(&dialog, "button");
        auto* bar = control<QProgressBar>(&dialog, "progress");
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Connection Settings Test"));
        QCOMPARE(control<QLabel>(&dialog, "status")->text(),
                 QStringLiteral("Connecting to server..."));
        QCOMPARE(button->text(), QStringLiteral("&Cancel"));
        QCOMPARE(bar->maximum(), 3);
        dialog.show();
        QTRY_COMPARE_WITH_TIMEOUT(button->text(), QStringLiteral("&Ok"), kPatience);
        QCOMPARE(control<QLabel>(&dialog, "status")->text(), status);
        QCOMPARE(bar->value(), progress);
        button->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), 1);
    }

    void cancelClosesAtOnceAndTheTestTellsNobody() {
        TestServers::ScriptedPop3Server silent;
        auto dialog = std::make_unique<ConnectionTestDialog>(
            settings("127.0.0.1", silent.port(), false, "pw"), "", nullptr);
        dialog->show();
        QVERIFY(silent.accept());
        control<QPushButton>(dialog.get(), "button")->click();
        QVERIFY(!dialog->isVisible());
        dialog.reset();
        // The abandoned test hears the greeting no more: its stop closed the connection.
        silent.say("+OK ready\r\n");
        QVERIFY(silent.waitForClose());
        QCoreApplication::processEvents();
    }

    void testButtonTriesTheValuesAsTyped() {
        TestSupport::TempHome home;
        LogicCore core{home.dataFolder(), {}};
        AccountSettingsSheet sheet(settings("127.0.0.1", m_dovecot->plainPort(), false, "rabbit"),
                                   {}, core, nullptr);
        sheet.show();
        control<QLineEdit>(&sheet, "password")->setText(QStringLiteral("wonderland"));
        QString seen;
        QTimer::singleShot(0, this, [&seen] {
            auto* dialog = qobject_cast<ConnectionTestDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto* button = control<QPushButton>(dialog, "button");
            QTRY_COMPARE_WITH_TIMEOUT(button->text(), QStringLiteral("&Ok"), kPatience);
            seen = control<QLabel>(dialog, "status")->text();
            button->click();
        });
        control<QPushButton>(&sheet, "test")->click();
        QCOMPARE(seen, QStringLiteral("Success! You have 3 mails in your mailbox!"));
        // Testing applied nothing.
        QCOMPARE(sheet.connectionSettings().password(), std::string("rabbit"));
    }
};

VELOMAR_QT_TEST(ConnectionTestDialogTest);

#include "ConnectionTestDialogTest.moc"
