// The tray program's local socket stays open to later starts: connections beyond a few are
// closed at once, and a socket that stopped listening for want of file descriptors listens again.
#include "shell/InstanceServer.h"
#include "cli/InstanceProtocol.h"
#include "cli/SingleInstance.h"
#include "tests/support/QtTests.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TempHome.h"

#include <QLocalSocket>
#include <QTest>

#include <fcntl.h>
#include <future>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using Arguments = std::vector<std::string>;
using namespace std::chrono_literals;

// What a later start of the program gets when it asks the running one, the event loop running
// meanwhile; exit code -1 when it found no running program.
JobOutput askAsALaterStart(const std::filesystem::path& dataFolder) {
    auto later = std::async(std::launch::async, [&] {
        SingleInstance second(dataFolder);
        if (second.claim(10s) != SingleInstance::Role::Second)
            return JobOutput{-1, {}, {}};
        return second.ask({"--check-once"});
    });
    if (!QTest::qWaitFor([&] { return later.wait_for(0s) == std::future_status::ready; }, 30000))
        return {-1, {}, "no answer"};
    return later.get();
}

// Lowers how many files the process may open; the old limit is back when it goes.
class OpenFileLimit {
public:
    OpenFileLimit() { ::getrlimit(RLIMIT_NOFILE, &m_saved); }
    ~OpenFileLimit() { ::setrlimit(RLIMIT_NOFILE, &m_saved); }
    /// Only descriptors below `limit` can be opened from now on.
    bool set(rlim_t limit) const {
        const rlimit lowered{limit, m_saved.rlim_max};
        return ::setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }

private:
    rlimit m_saved{};
};

// Descriptors held open: files, so that every lower descriptor is taken too, and local
// connections nobody ends.
class HeldDescriptors {
public:
    explicit HeldDescriptors(int files) {
        for (int i = 0; i < files; ++i)
            m_descriptors.push_back(::open("/dev/null", O_RDONLY));
    }
    ~HeldDescriptors() { release(m_descriptors.size()); }
    /// False when no descriptor is left for it.
    bool connect(const QString& socketPath) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = socketPath.toLocal8Bit();
        std::copy(path.begin(), path.end(), std::begin(address.sun_path));
        const int connection = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (connection == -1)
            return false;
        if (::connect(connection, reinterpret_cast<const sockaddr*>(&address), sizeof address)) {
            ::close(connection);
            return false;
        }
        m_descriptors.push_back(connection);
        return true;
    }
    /// Closes the last `count` held.
    void release(std::size_t count) {
        for (; count > 0 && !m_descriptors.empty(); --count) {
            ::close(m_descriptors.back());
            m_descriptors.pop_back();
        }
    }
    /// The lowest descriptor the next open would get.
    static int next() {
        const int descriptor = ::open("/dev/null", O_RDONLY);
        ::close(descriptor);
        return descriptor;
    }

private:
    std::vector<int> m_descriptors;
};

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t found = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++found;
    return found;
}

} // namespace

class InstanceServerTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theSocketIsTheUsersAloneAndARequestIsBoundedInSizeAndTime() {
        const TestSupport::TempHome home;
        std::filesystem::create_directories(home.dataFolder());
        SingleInstance first(home.dataFolder());
        QCOMPARE(first.claim(), SingleInstance::Role::First);
        QCOMPARE(InstanceServer::Limits{}.requestTimeout, 10000ms);
        int handled = 0;
        InstanceServer server(
            QString::fromStdString(first.socketPath()),
            [&](const Arguments&, const std::string&, const InstanceServer::Reply& reply) {
                ++handled;
                reply({0, {}, {}});
            },
            {32, 10ms, 300ms});
        QVERIFY(server.listen());
        struct stat status {};
        QCOMPARE(
            ::stat(QString::fromStdString(first.socketPath()).toLocal8Bit().constData(), &status),
            0);
        QCOMPARE(status.st_mode & 077, 0u); // nobody else may connect

        // A request that never ends is refused once it passes 64 KiB...
        QLocalSocket endless;
        endless.connectToServer(QString::fromStdString(first.socketPath()));
        QVERIFY(endless.waitForConnected(5000));
        const QByteArray start =
            QByteArray::fromStdString(InstanceProtocol::encodeRequest({"--check-once"}));
        endless.write(start.left(start.size() / 2) + QByteArray(70 * 1024, 'x'));
        QVERIFY(QTest::qWaitFor([&] { return endless.bytesAvailable() > 0; }, 5000));
        QVERIFY(endless.readAll().startsWith("2\n"));
        // ...and one that stops half way is dropped after the time limit.
        QLocalSocket silent;
        silent.connectToServer(QString::fromStdString(first.socketPath()));
        QVERIFY(silent.waitForConnected(5000));
        silent.write(start.left(start.size() / 2));
        QVERIFY(QTest::qWaitFor([&] { return silent.state() == QLocalSocket::UnconnectedState; },
                                5000));
        QCOMPARE(handled, 0);
    }

    void aConnectionBeyondTheCapIsClosedUnread() {
        const TestSupport::TempHome home;
        std::filesystem::create_directories(home.dataFolder());
        SingleInstance first(home.dataFolder());
        QCOMPARE(first.claim(), SingleInstance::Role::First);
        std::vector<InstanceServer::Reply> held;
        bool holding = true;
        InstanceServer server(
            QString::fromStdString(first.socketPath()),
            [&](const Arguments&, const std::string&, const InstanceServer::Reply& reply) {
                if (holding)
                    held.push_back(reply);
                else
                    reply({0, "answered\n", {}});
            },
            {2, 10ms, 10000ms});
        QVERIFY(server.listen());

        // Two requests in flight, as long checks would keep them.
        QLocalSocket one;
        QLocalSocket two;
        for (QLocalSocket* connection : {&one, &two}) {
            connection->connectToServer(QString::fromStdString(first.socketPath()));
            QVERIFY(connection->waitForConnected(5000));
            connection->write(
                QByteArray::fromStdString(InstanceProtocol::encodeRequest({"--check-once"})));
        }
        QVERIFY(QTest::qWaitFor([&] { return held.size() == 2; }, 10000));

        // A third is closed without its request being read, and a later start says why.
        QLocalSocket third;
        third.connectToServer(QString::fromStdString(first.socketPath()));
        QVERIFY(third.waitForConnected(5000));
        third.write(QByteArray::fromStdString(InstanceProtocol::encodeRequest({"--check-once"})));
        QVERIFY(
            QTest::qWaitFor([&] { return third.state() == QLocalSocket::UnconnectedState; }, 5000));
        const JobOutput refused = askAsALaterStart(home.dataFolder());
        QCOMPARE(refused.exitCode, 1);
        QVERIFY(refused.standardError.find("try again in a moment") != std::string::npos);
        QCOMPARE(held.size(), std::size_t{2});
        QCOMPARE(one.state(), QLocalSocket::ConnectedState);

        // Once one of them is answered, the next request is served.
        holding = false;
        held.front()({0, "first\n", {}});
        QVERIFY(
            QTest::qWaitFor([&] { return one.state() == QLocalSocket::UnconnectedState; }, 5000));
        QCOMPARE(askAsALaterStart(home.dataFolder()).standardOutput, std::string("answered\n"));
    }

    void afterRunningOutOfFileDescriptorsItListensAgain() {
#if defined(__SANITIZE_ADDRESS__)
        // The sanitizer's runtime needs descriptors of its own and ends the program silently
        // when none is left; the plain build runs this.
        QSKIP("no file descriptor left is more than AddressSanitizer's runtime can live with");
#endif
        const TestSupport::TempHome home;
        std::filesystem::create_directories(home.dataFolder());
        SingleInstance first(home.dataFolder());
        QCOMPARE(first.claim(), SingleInstance::Role::First);
        InstanceServer server(
            QString::fromStdString(first.socketPath()),
            [](const Arguments&, const std::string&, const InstanceServer::Reply& reply) {
                reply({0, "answered\n", {}});
            },
            {32, 10ms, 10000ms});
        const TestSupport::StderrCapture errors;
        const std::string stopped = "the local socket stopped listening";
        // The listening socket gets a descriptor above every one the process may open from
        // now on, so once it is closed, its own descriptor cannot be had again.
        HeldDescriptors held(48);
        const OpenFileLimit limit;
        const int listening = HeldDescriptors::next();
        QVERIFY(server.listen());
        QVERIFY(limit.set(static_cast<rlim_t>(listening)));
        held.release(16);

        // Connections nobody ends take every descriptor left: the server cannot accept them,
        // stops listening and cannot listen again yet.
        std::size_t idle = 0;
        while (held.connect(QString::fromStdString(first.socketPath())))
            QVERIFY(++idle < 100);
        QVERIFY(idle > 0);
        QVERIFY(QTest::qWaitFor([&] { return errors.text().find(stopped) != std::string::npos; },
                                10000));

        // Once they are closed, a later start is answered again.
        held.release(idle);
        QCOMPARE(askAsALaterStart(home.dataFolder()).standardOutput, std::string("answered\n"));
        QCOMPARE(count(errors.text(), stopped), std::size_t{1});
    }
};

VELOMAR_QT_TEST(InstanceServerTest);

#include "InstanceServerTest.moc"
