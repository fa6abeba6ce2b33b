// One program per user: the request frame, a later start handing its work over through the
// socket, and the real program asked by a second start and by --check-once while it runs.
#include "app/SingleInstance.h"
#include "app/InstanceProtocol.h"
#include "app/InstanceServer.h"
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

// Runs the real program to its end; its standard output, or "exit N" when it failed.
QString velomar(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(VELOMAR_EXECUTABLE), arguments);
    if (!process.waitForFinished(60000))
        return QStringLiteral("did not end");
    if (process.exitCode() != 0)
        return QStringLiteral("exit %1").arg(process.exitCode());
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void requestsAndRepliesKeepEveryByte() {
        const Arguments arguments{"--check-once", "", "two\nlines", "100%", "Café"};
        const QByteArray request = InstanceProtocol::encodeRequest(arguments);
        using State = InstanceProtocol::Request::State;
        for (qsizetype cut = 0; cut < request.size(); ++cut)
            QCOMPARE(InstanceProtocol::decodeRequest(request.left(cut)).state, State::Incomplete);
        const auto decoded = InstanceProtocol::decodeRequest(request);
        QCOMPARE(decoded.state, State::Complete);
        QVERIFY(decoded.arguments == arguments);
        QCOMPARE(InstanceProtocol::decodeRequest(request + "x\n").state, State::Invalid);
        QCOMPARE(InstanceProtocol::decodeRequest("GET / HTTP/1.0\r\n").state, State::Invalid);
        QCOMPARE(InstanceProtocol::decodeRequest("velomar-request 1\nno-equals\n\n").state,
                 State::Invalid);

        const JobOutput output{3, "a: 1 new\n", "velomar: x\n"};
        const QByteArray reply = InstanceProtocol::encodeReply(output);
        QVERIFY(!InstanceProtocol::decodeReply(reply.chopped(1)));
        const auto back = InstanceProtocol::decodeReply(reply);
        QVERIFY(back && back->exitCode == 3 && back->standardOutput == output.standardOutput &&
                back->standardError == output.standardError);
    }

    void aLaterStartHandsItsArgumentsToTheFirst() {
        const TestSupport::TempHome home;
        std::filesystem::create_directories(home.dataFolder());
        SingleInstance first(home.dataFolder());
        QCOMPARE(first.claim(), SingleInstance::Role::First);
        // A socket left behind by a crashed run does not stop the new one.
        QFile stale(first.socketPath());
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        Arguments asked;
        InstanceServer server(first.socketPath(),
                              [&](const Arguments& arguments, const InstanceServer::Reply& reply) {
                                  asked = arguments;
                                  // Answered later, as a check would be.
                                  QTimer::singleShot(0, [reply] { reply({3, "report\n", {}}); });
                              });
        QVERIFY(server.listen());

        auto later = std::async(std::launch::async, [&] {
            SingleInstance second(home.dataFolder());
            if (second.claim(std::chrono::seconds(10)) != SingleInstance::Role::Second)
                return JobOutput{-1, {}, {}};
            return second.ask({"--check-once", "--json"});
        });
        QVERIFY(QTest::qWaitFor(
            [&] { return later.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
            20000));
        const JobOutput output = later.get();
        QCOMPARE(output.exitCode, 3);
        QCOMPARE(output.standardOutput, std::string("report\n"));
        QVERIFY((asked == Arguments{"--check-once", "--json"}));

        // Something else on the socket gets an answer, not a hang.
        QLocalSocket stranger;
        stranger.connectToServer(first.socketPath());
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
        const QString socket = SingleInstance(dataFolder).socketPath();
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(socket); }, 30000));

        // Its own first check found the two new messages; this one finds nothing new.
        QCOMPARE(velomar({QStringLiteral("--check-once")}),
                 QStringLiteral("alice@example.org: 0 new, 2 unread\nTotal: 0 new, 2 unread\n"));
        QCOMPARE(velomar({}), QString()); // shows the running one's window and ends
        QCOMPARE(tray.state(), QProcess::Running);

        // A program that was killed leaves its lock file and socket, which block nothing.
        tray.kill();
        QVERIFY(tray.waitForFinished());
        QCOMPARE(velomar({QStringLiteral("--check-once")}),
                 QStringLiteral("alice@example.org: 0 new, 2 unread\nTotal: 0 new, 2 unread\n"));
    }

    void withoutADisplayAFailureGoesToStandardErrorAndEndsWithOne() {
        const TestSupport::TempHome home;
        const auto data = home.dataFolder() / "Quorvex Software" / "Quorvex Velomar" / "data";
        QProcess program;
        auto environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(VELOMAR_EXECUTABLE), QStringList());
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(program.readAllStandardError().contains("There is no display"));

        // A damaged data file stops the start; its message shows as it is, seven bits a byte.
        TestSupport::writeFile(data / "general.bin", "\xC3\xA9 not a data file");
        program.start(QStringLiteral(VELOMAR_EXECUTABLE), {QStringLiteral("-minimized")});
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(program.readAllStandardError().endsWith("\nvelomar: SaveLoad: wrong slot id!\n"));
        QCOMPARE(TestSupport::readFile(data / "general.bin"),
                 std::string("\xC3\xA9 not a data file"));
    }
};

VELOMAR_QT_TEST(SingleInstanceTest);

#include "SingleInstanceTest.moc"
