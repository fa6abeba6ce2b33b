// One program per user: a later start handing its work over through the socket, and the real
// program asked by a second start and by --check-once while it runs.
#include "cli/SingleInstance.h"
#include "shell/InstanceServer.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/QtTests.h"
#include "tests/support/TempHome.h"

#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <future>

namespace {

using Arguments = std::vector<std::string>;

// Runs the real program to its end, `input` on its standard input; its standard output, or
// "exit N" and its standard error when it failed.
QString velomar(const QStringList& arguments, const QByteArray& input = {}) {
    QProcess process;
    process.start(QStringLiteral(VELOMAR_EXECUTABLE), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000))
        return QStringLiteral("did not end");
    if (process.exitCode() != 0)
        return QStringLiteral("exit %1: ").arg(process.exitCode()) +
               QString::fromUtf8(process.readAllStandardError());
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aLaterStartHandsItsArgumentsToTheFirst() {
        const TestSupport::TempHome home;
        std::filesystem::create_directories(home.dataFolder());
        SingleInstance first(home.dataFolder());
        QCOMPARE(first.claim(), SingleInstance::Role::First);
        // A socket left behind by a crashed run does not stop the new one.
        QFile stale(QString::fromStdString(first.socketPath()));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        Arguments asked;
        std::string input;
        InstanceServer server(QString::fromStdString(first.socketPath()),
                              [&](const Arguments& arguments, const std::string& read,
                                  const InstanceServer::Reply& reply) {
                                  asked = arguments;
                                  input = read;
                                  // Answered later, as a check would be.
                                  QTimer::singleShot(0, [reply] { reply({3, "report\n", {}}); });
                              });
        QVERIFY(server.listen());

        auto later = std::async(std::launch::async, [&] {
            SingleInstance second(home.dataFolder());
            if (second.claim(std::chrono::seconds(10)) != SingleInstance::Role::Second)
                return JobOutput{-1, {}, {}};
            return second.ask({"--add-account", "a@example.org"}, "pass word");
        });
        QVERIFY(QTest::qWaitFor(
            [&] { return later.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
            20000));
        const JobOutput output = later.get();
        QCOMPARE(output.exitCode, 3);
        QCOMPARE(output.standardOutput, std::string("report\n"));
        QVERIFY((asked == Arguments{"--add-account", "a@example.org"}));
        QCOMPARE(input, std::string("pass word"));

        // Something else on the socket gets an answer, not a hang.
        QLocalSocket stranger;
        stranger.connectToServer(QString::fromStdString(first.socketPath()));
        QVERIFY(stranger.waitForConnected(5000));
        stranger.write("HELO\r\n");
        QVERIFY(QTest::qWaitFor([&] { return stranger.bytesAvailable() > 0; }, 5000));
        QVERIFY(stranger.readAll().startsWith("2\n"));
    }

    void theRunningProgramDoesTheWorkOfALaterStart() {
        auto& dovecot = ShellTest::mailboxes().dovecot;
        const TestSupport::TempHome home;
        const auto dataFolder = home.dataFolder() / "Quorvex Software" / "Quorvex Velomar";
        {
            LogicCore core(dataFolder, {});
            core.accountMgr().addAccount(
                TestMail::account("alice", "wonderland", dovecot.plainPort(), false));
            QVERIFY(core.saveAll());
        }
        QProcess tray;
        tray.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        tray.setProcessEnvironment(environment);
        tray.start(QStringLiteral(VELOMAR_EXECUTABLE), {QStringLiteral("-minimized")});
        QVERIFY(tray.waitForStarted());
        const QString socket = QString::fromStdString(SingleInstance(dataFolder).socketPath());
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(socket); }, 30000));

        // Its own first check finds the two new messages; a request while that check runs
        // takes its result, a later one finds nothing new.
        QVERIFY(velomar({QStringLiteral("--check-once")}).endsWith(QStringLiteral(" 2 unread\n")));
        QCOMPARE(velomar({QStringLiteral("--check-once")}),
                 QStringLiteral("alice@example.org: 0 new, 2 unread\nTotal: 0 new, 2 unread\n"));
        QCOMPARE(velomar({}), QString()); // shows the running one's window and ends
        QCOMPARE(tray.state(), QProcess::Running);

        // It changes the accounts, the password sent apart from the arguments.
        const QString port = QString::number(dovecot.plainPort());
        const QStringList addBob{QStringLiteral("--add-account"), QStringLiteral("bob@example.org"),
                                 QStringLiteral("--server"),      QStringLiteral("127.0.0.1"),
                                 QStringLiteral("--port"),        port,
                                 QStringLiteral("--no-tls")};
        QCOMPARE(velomar(addBob, "builder\n"),
                 QStringLiteral("Connection test: logged in; 0 messages in the mailbox.\nAdded "
                                "bob@example.org: POP3 server 127.0.0.1, port %1, no TLS, login "
                                "\"bob\".\n")
                     .arg(port));
        QVERIFY(
            velomar(addBob, "builder\n")
                .endsWith(QStringLiteral(
                    "velomar: Account with e-mail address [bob@example.org] already exists.\n")));
        QVERIFY(velomar(addBob + QStringList{QStringLiteral("--login"), QStringLiteral("nobody")},
                        "builder\n")
                    .startsWith(QStringLiteral("exit 1: ")));
        // The new account's first check may still run.
        QTRY_COMPARE_WITH_TIMEOUT(
            velomar({QStringLiteral("--list-accounts")}),
            QStringLiteral("alice@example.org  127.0.0.1:%1  POP3 no TLS   idle     2 unread  "
                           "password in file\n"
                           "bob@example.org    127.0.0.1:%1  POP3 no TLS   idle     0 unread  "
                           "password in file\n")
                .arg(port),
            20000);
        QCOMPARE(velomar({QStringLiteral("--remove-account"), QStringLiteral("bob@example.org")}),
                 QStringLiteral("Removed bob@example.org.\n"));

        // A program that was killed leaves its lock file and socket, which block nothing.
        tray.kill();
        QVERIFY(tray.waitForFinished());
        QCOMPARE(velomar({QStringLiteral("--check-once")}),
                 QStringLiteral("alice@example.org: 0 new, 2 unread\nTotal: 0 new, 2 unread\n"));
    }

    void withoutADisplayAFailureGoesToStandardErrorAndEndsWithOne() {
        const TestSupport::TempHome home;
        QProcess program;
        auto environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(VELOMAR_EXECUTABLE), QStringList());
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(program.readAllStandardError().contains("There is no display"));

        // A damaged data file stops the start, with the file named as it is and what to do.
        const std::filesystem::path ownData = home.path() / "Dätä";
        const auto damaged = ownData / "Quorvex Software/Quorvex Velomar/data/general.bin";
        environment.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(ownData));
        program.setProcessEnvironment(environment);
        TestSupport::writeFile(damaged, "\xC3\xA9 not a data file");
        program.start(QStringLiteral(VELOMAR_EXECUTABLE), {QStringLiteral("-minimized")});
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(program.readAllStandardError().endsWith(
            QByteArray::fromStdString("\nvelomar: The account file " + damaged.string() +
                                      " is damaged; move it away to start without accounts, or "
                                      "put a backup of it in its place.\n")));
        QCOMPARE(TestSupport::readFile(damaged), std::string("\xC3\xA9 not a data file"));
    }
};

VELOMAR_QT_TEST(SingleInstanceTest);

#include "SingleInstanceTest.moc"
