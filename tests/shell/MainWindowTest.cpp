// The main window's reactions: to each check event, to the schedule, to close, minimise and the
// tray's toggle, and a whole check through the real window against the test Dovecot.
#include "shell/MainWindow.h"
#include "core/ModelReader.h"
#include "core/UserActions.h"
#include "foundation/Settings.h"
#include "shell/Notifier.h"
#include "shell/PageTabs.h"
#include "shell/TrayIcon.h"
#include "tests/servers/ScriptedPop3Server.h"
#include "tests/shell/MockNotificationServer.h"
#include "tests/shell/MockSystemBus.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/QtTests.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TempHome.h"
#include "ui/AccountWizard.h"
#include "ui/SettingsPage.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace {

constexpr int kCheckTimeoutMs = 30000;

// The offscreen platform has no window opacity and says so at every step of a fade.
void dropOpacityWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text);
QtMessageHandler g_testHandler = nullptr;
void dropOpacityWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!text.contains(QStringLiteral("window opacity")))
        g_testHandler(type, context, text);
}

struct Shell {
    explicit Shell(std::vector<std::unique_ptr<Logic::Account>> accounts = {},
                   bool minimized = false) {
        g_testHandler = qInstallMessageHandler(dropOpacityWarnings);
        for (auto& account : accounts)
            core.accountMgr().addAccount(std::move(account));
        window = std::make_unique<MainWindow>(core, settings, minimized);
    }
    ~Shell() {
        window.reset();
        qInstallMessageHandler(g_testHandler);
        TrayIcon::overrideAvailability(std::nullopt);
    }

    // Waits for the check under way and delivers its last events.
    bool checkDone() {
        if (!QTest::qWaitFor([this] { return !core.checkStarter().isChecking(); }, kCheckTimeoutMs))
            return false;
        QCoreApplication::processEvents();
        return true;
    }
    QPushButton* button() const {
        return window->findChild<QPushButton*>(QStringLiteral("checkButton"));
    }
    QTimer* timer() const { return window->findChild<QTimer*>(QStringLiteral("checkTimer")); }
    /// As the Settings page tells it.
    void setInterval(int minutes) {
        Q_EMIT window->pages().settingsPage().intervalChanged(minutes);
    }
    /// The tooltip without its last line, which tells when the last and next checks are.
    QString tooltip() const {
        const QString text = window->trayIcon().icon()->toolTip();
        return text.left(text.lastIndexOf(u'\n'));
    }
    bool markAllReadEnabled() const {
        return window->trayIcon()
            .menu()
            ->findChild<QAction*>(QStringLiteral("markAllReadItem"))
            ->isEnabled();
    }
    qint64 trayPicture() const { return window->trayIcon().icon()->icon().cacheKey(); }

    TestSupport::TempHome home;
    TestSupport::StderrCapture quiet;
    LogicCore core{home.dataFolder(), {}};
    Norq::Settings settings;
    std::unique_ptr<MainWindow> window;
};

std::vector<std::unique_ptr<Logic::Account>> accounts(std::unique_ptr<Logic::Account> first,
                                                      std::unique_ptr<Logic::Account> second = {}) {
    std::vector<std::unique_ptr<Logic::Account>> list;
    list.push_back(std::move(first));
    if (second)
        list.push_back(std::move(second));
    return list;
}

int selectedMessages(const MainWindow& window) {
    const auto* list = window.findChild<QTableView*>(QStringLiteral("messageList"));
    return static_cast<int>(list->selectionModel()->selectedRows().size());
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aWholeCheckThroughTheWindow() {
        auto& dovecot = ShellTest::mailboxes().dovecot;
        Shell shell(accounts(TestMail::account("alice", "wonderland", dovecot.tlsPort(), true),
                             TestMail::account("bob", "wrong", dovecot.plainPort(), false)));
        QVERIFY(shell.checkDone()); // started with the window
        QCOMPARE(shell.window->statusText(),
                 QStringLiteral("Processing: [bob@example.org] failed"));
        QVERIFY(shell.button()->isEnabled());
        QCOMPARE(shell.tooltip(),
                 QStringLiteral("Quorvex Velomar\n2 unread messages\n1 account cannot be checked"));
        QVERIFY(shell.markAllReadEnabled());
        QVERIFY(shell.window->notifier().isRunning());
        QCOMPARE(shell.window->notifier().popups().size(), 1u);

        // Saved, and flagged as shown: a restart shows nothing twice.
        LogicCore reloaded(shell.home.dataFolder(), {});
        const auto mails = ModelReader(reloaded).unreadMails();
        QCOMPARE(mails.size(), 2u);
        QVERIFY(mails[0]->notified() && mails[1]->notified());

        // A check asked for from outside gets the report of a check of its own.
        std::optional<CheckReport> report;
        shell.window->checkOnRequest([&](const CheckReport& done) { report = done; });
        QVERIFY(QTest::qWaitFor([&] { return report.has_value(); }, kCheckTimeoutMs));
        QCOMPARE(QString::fromStdString(report->plainText()),
                 QStringLiteral("alice@example.org: 0 new, 2 unread\nbob@example.org: failed, 0 "
                                "unread (The server refused the log-in: [AUTH] Authentication "
                                "failed.)\nTotal: 0 new, 2 unread\n"));
    }

    // An IMAP account hears of a delivery from its server (IDLE): a check follows at once,
    // though none was asked for and the next scheduled one is minutes away. The connection
    // comes up by itself after the first check; a message delivered before it is up is not
    // told, so messages come until one is.
    void anImapAccountHearsOfNewMailFromItsServer() {
        auto& dovecot = ShellTest::mailboxes().dovecot;
        dovecot.addUser("dora", "explorer");
        auto account = TestMail::account("dora", "explorer", dovecot.imapsPort(), true);
        Logic::ConnectionSettings imap = account->connectionSettings();
        imap.setProtocol(Logic::ConnectionSettings::Protocol::Imap);
        account->setConnectionSettings(imap);
        Shell shell(accounts(std::move(account)));
        QVERIFY(shell.checkDone());
        QSignalSpy checked(&shell.window->events(), &ModelEvents::accountChecked);
        const auto toldNew = [&] {
            for (const QList<QVariant>& event : std::as_const(checked))
                if (!event.at(1).value<CheckFindings>().newMails.empty())
                    return true;
            return false;
        };
        const auto deliverUntilTold = [&] {
            checked.clear();
            for (int delivered = 0; delivered < 10 && !toldNew(); ++delivered) {
                dovecot.deliver("dora", TestMail::message("pushed", 0));
                [[maybe_unused]] const bool told = QTest::qWaitFor(toldNew, 3000);
            }
            return toldNew();
        };
        QVERIFY(deliverUntilTold());
        QVERIFY(ModelReader(shell.core).unreadCount() >= 1);
        // The server's IMAP processes die: the idler connects again by itself.
        dovecot.cutImapConnections();
        QVERIFY(deliverUntilTold());
    }

    void theWindowCanGoWhileACheckWaitsOnASilentServer() {
        TestServers::ScriptedPop3Server silent;
        auto account = ShellTest::unreachableAccount("carol@example.org");
        Logic::ConnectionSettings settings = account->connectionSettings();
        settings.setPort(silent.port());
        account->setConnectionSettings(settings);
        Shell shell(accounts(std::move(account)));
        QVERIFY(silent.accept()); // the window's first check waits for the greeting
        shell.window.reset();
        QVERIFY(shell.core.checkStarter().isChecking());
        // The check goes on and ends; what it tells reaches no window.
        silent.hangUp();
        QVERIFY(shell.checkDone());
        QCoreApplication::processEvents();
    }

    void eachCheckEventShowsInTheWindow() {
        Shell shell(accounts(ShellTest::unreachableAccount("a@example.org"),
                             ShellTest::unreachableAccount("b@example.org")));
        QVERIFY(shell.checkDone());
        MainWindow& window = *shell.window;
        ModelEvents& events = window.events();
        Q_EMIT events.checkStarted(1);
        QVERIFY(!shell.button()->isEnabled());
        Q_EMIT events.accountStarting("a@example.org");
        QCOMPARE(window.statusText(), QStringLiteral("Processing: [a@example.org]"));
        const QString failed = QStringLiteral("Processing: [a@example.org] failed");
        Q_EMIT events.accountFailed(
            "a@example.org", {CheckFailure::Connect, "No greeting from the server.", true, {}});
        QCOMPARE(window.statusText(), failed);
        Q_EMIT events.accountFinished("a@example.org");
        QCOMPARE(window.statusText(), failed);
        Q_EMIT events.accountStarting("b@example.org");
        QCOMPARE(window.statusText(), QStringLiteral("Processing: [b@example.org]"));
        Q_EMIT events.accountChecked("b@example.org", {});
        Q_EMIT events.checkFinished(1);
        // The account that could not be reached stays in sight until the next check.
        QCOMPARE(window.statusText(), failed);
        QVERIFY(shell.button()->isEnabled());
        Q_EMIT events.checkStarted(1);
        Q_EMIT events.checkFinished(1);
        QCOMPARE(window.statusText(), QStringLiteral("Ready"));

        // A failed save stays in the status bar until a save succeeds.
        const auto data = shell.home.dataFolder() / "data";
        std::filesystem::remove_all(data);
        TestSupport::writeFile(data, "not a folder");
        QVERIFY(!shell.core.saveAll());
        Q_EMIT events.checkStarted(1);
        Q_EMIT events.checkFinished(1);
        const QString failure = QStringLiteral("Could not save: ") +
                                QString::fromStdString((data / "general.bin").string()) +
                                QStringLiteral(": Not a directory");
        QCOMPARE(window.statusText(), failure);
        Q_EMIT events.modelSaved(false);
        QCOMPARE(window.statusText(), failure);
        std::filesystem::remove(data);
        QVERIFY(shell.core.saveAll());
        Q_EMIT events.modelSaved(true);
        QCOMPARE(window.statusText(), QStringLiteral("Ready"));
    }

    void theTrayShowsTheUnreadCount() {
        Shell shell(accounts(ShellTest::unreachableAccount("a@example.org")));
        QVERIFY(shell.checkDone());
        QCOMPARE(
            shell.tooltip(),
            QStringLiteral("Quorvex Velomar\nNo unread messages\n1 account cannot be checked"));
        QVERIFY(!shell.markAllReadEnabled());
        const qint64 normal = shell.trayPicture();

        ShellTest::addMails(shell.core, "a@example.org", 1);
        Q_EMIT shell.window->events().unreadChanged();
        QCOMPARE(shell.tooltip(),
                 QStringLiteral("Quorvex Velomar\n1 unread message\n1 account cannot be checked"));
        QVERIFY(shell.markAllReadEnabled());
        QVERIFY(shell.trayPicture() != normal);

        ShellTest::addMails(shell.core, "a@example.org", 4);
        Q_EMIT shell.window->events().unreadChanged();
        QCOMPARE(shell.tooltip(),
                 QStringLiteral("Quorvex Velomar\n5 unread messages\n1 account cannot be checked"));
        const QStringList items = [&] {
            QStringList texts;
            for (const QAction* action : shell.window->trayIcon().menu()->actions())
                texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
            return texts;
        }();
        QCOMPARE(items,
                 (QStringList{QStringLiteral("Show Velomar"), QStringLiteral("Mark All As Read"),
                              QStringLiteral("Check E-Mail"), QStringLiteral("-"),
                              QStringLiteral("E&xit")}));
    }

    void aFailingAccountIsToldOnceAndItsWarningEndsWhenItWorks() {
        Shell shell(accounts(ShellTest::unreachableAccount("a@example.org")));
        QVERIFY(shell.checkDone());
        TrayIcon& tray = shell.window->trayIcon();
        Notifier& notifier = shell.window->notifier();
        QVERIFY(tray.showsWarning());
        QCOMPARE(notifier.popups().size(), 1u); // it starts failing: told once
        const QString schedule = tray.icon()->toolTip().section(u'\n', -1);
        QVERIFY2(schedule.startsWith(QStringLiteral("Last check at ")) &&
                     schedule.contains(QStringLiteral("; next at ")),
                 qPrintable(schedule));
        QVERIFY(shell.window->startCheck());
        QVERIFY(shell.checkDone());
        QVERIFY(tray.showsWarning());
        // Failing still: nothing new to tell, no second pop-up.
        QCOMPARE(notifier.popups().size(), notifier.isRunning() ? 1u : 0u);

        {
            std::lock_guard lock(shell.core.accountMgr().accountLock());
            shell.core.accountMgr().findByEmail("a@example.org")->checkSucceeded();
        }
        Q_EMIT shell.window->events().unreadChanged();
        QVERIFY(!tray.showsWarning());
        QCOMPARE(shell.tooltip(), QStringLiteral("Quorvex Velomar\nNo unread messages"));
    }

    void aWakeUpChecksWithinSeconds() {
        if (const char* missing = ShellTest::mockSystemBusMissing(); *missing != '\0')
            QSKIP(missing);
        Shell shell(accounts(ShellTest::unreachableAccount("a@example.org")));
        QVERIFY(shell.checkDone());
        const auto failures = [&] { return ModelReader(shell.core).accounts()[0].failuresInARow; };
        QCOMPARE(failures(), 1);
        QVERIFY(ShellTest::emitPrepareForSleep(false));
        QTRY_COMPARE_WITH_TIMEOUT(failures(), 2, 5000);
    }

    void theScheduleFollowsTheInterval() {
        Shell shell(accounts(ShellTest::unreachableAccount("a@example.org")));
        QVERIFY(shell.checkDone());
        QTimer& timer = *shell.timer();
        QVERIFY(timer.isActive());
        QCOMPARE(timer.interval(), 5 * 60000);

        shell.setInterval(10);
        QVERIFY(timer.isActive());
        QCOMPARE(timer.interval(), 10 * 60000);
        // Stored once the typing has paused.
        QTRY_COMPARE(Norq::Settings().timeout(), 10u);

        shell.setInterval(0);
        QVERIFY(!timer.isActive());
        QTRY_COMPARE(Norq::Settings().timeout(), 0u);
        shell.setInterval(-5);
        QVERIFY(!timer.isActive());
        QCOMPARE(Norq::Settings().timeout(), 0u);
        shell.setInterval(100000); // longer than a timer can count
        QCOMPARE(timer.interval(), std::numeric_limits<int>::max());

        // The timer's tick checks.
        {
            std::lock_guard lock(shell.core.accountMgr().accountLock());
            shell.core.accountMgr()
                .findByEmail("a@example.org")
                ->setStatus(Logic::AccountStatus::Idle);
        }
        QVERIFY(QMetaObject::invokeMethod(&timer, "timeout"));
        QVERIFY(shell.checkDone());
        QCOMPARE(ModelReader(shell.core).accounts()[0].status, Logic::AccountStatus::Failed);
    }

    void aSettingThatCannotBeSavedIsToldWithItsFile() {
        Shell shell(accounts(ShellTest::unreachableAccount("a@example.org")));
        QVERIFY(shell.checkDone());
        // A file where the settings folder belongs; root is not stopped by file modes.
        TestSupport::writeFile(shell.home.configFolder() / "Quorvex Software", "");
        shell.setInterval(10);
        QTRY_COMPARE(
            shell.window->statusText(),
            QStringLiteral("Could not save the settings to %1 (Not a directory); make sure "
                           "you can write there")
                .arg(QString::fromStdString(
                    (shell.home.configFolder() / "Quorvex Software/Quorvex Velomar.reg")
                        .string())));
    }

    void closeMinimiseAndToggleWithATray() {
        TrayIcon::overrideAvailability(true);
        Shell shell(accounts(ShellTest::unreachableAccount("a@example.org")));
        MainWindow& window = *shell.window;
        QSignalSpy exits(&window, &MainWindow::exitRequested);
        QVERIFY(window.isVisible());
        window.close();
        QVERIFY(!window.isVisible());
        window.toggle();
        QVERIFY(window.isVisible() && !window.isMinimized());
        window.toggle();
        QVERIFY(!window.isVisible());
        window.trayIcon().menu()->findChild<QAction*>(QStringLiteral("showItem"))->trigger();
        QVERIFY(window.isVisible());
        window.setWindowState(Qt::WindowMinimized);
        QVERIFY(QTest::qWaitFor([&] { return !window.isVisible(); }));
        window.toggle();
        QVERIFY(window.isVisible() && !window.isMinimized());
        QCOMPARE(exits.count(), 0);
        window.trayIcon().menu()->findChild<QAction*>(QStringLiteral("exitItem"))->trigger();
        QCOMPARE(exits.count(), 1);
        // Quitting closes every window first; the main window must not turn that down.
        QVERIFY(window.close());
    }

    void withoutATrayTheWindowStaysReachable() {
        TrayIcon::overrideAvailability(false);
        Shell shell(accounts(ShellTest::unreachableAccount("a@example.org")), true);
        MainWindow& window = *shell.window;
        QVERIFY(window.isMinimized()); // "minimized" keeps it in the task bar
        window.showAndActivate();
        window.toggle();
        QVERIFY(window.isMinimized());
        QCoreApplication::processEvents();
        QVERIFY(window.isVisible());
        QSignalSpy exits(&window, &MainWindow::exitRequested);
        window.close();
        QCOMPARE(exits.count(), 1);
    }

    void aClickOnAPopupShowsItsMessage() {
        Shell shell(accounts(ShellTest::unreachableAccount("a@example.org")));
        QVERIFY(shell.checkDone());
        MainWindow& window = *shell.window;
        ShellTest::addMails(shell.core, "a@example.org", 2);
        Q_EMIT window.events().unreadChanged();
        Q_EMIT window.events().checkFinished(1);
        // The account's failure first, then the two messages, a second apart.
        QTRY_COMPARE_WITH_TIMEOUT(window.notifier().popups().size(), 3u, 10000);
        window.pages().setCurrentIndex(PageTabs::Settings);
        window.hide();
        QTest::mouseClick(window.notifier().popups()[2].get(), Qt::LeftButton);
        QVERIFY(window.isVisible());
        QCOMPARE(window.pages().currentIndex(), int(PageTabs::Messages));
        QCOMPARE(selectedMessages(window), 1);
    }

    void desktopNotificationsAnswerAndTheWindowClosesIntoTheBackgroundWithoutATray() {
        if (const char* missing = ShellTest::sessionBusMissing(); *missing != '\0')
            QSKIP(missing);
        ShellTest::MockServer server(QStringLiteral("actions body"));
        QVERIFY(server.up());
        TrayIcon::overrideAvailability(false);
        Shell shell(accounts(ShellTest::unreachableAccount("a@example.org")));
        QVERIFY(shell.checkDone());
        MainWindow& window = *shell.window;
        QTRY_VERIFY(window.desktopNotifications().knowsServer());
        shell.settings.setNotificationStyle(Norq::Settings::NotificationStyle::Desktop);
        ShellTest::addMails(shell.core, "a@example.org", 2);
        Q_EMIT window.events().unreadChanged();
        Q_EMIT window.events().checkFinished(1); // new mail is told at a check's end
        QTRY_COMPARE(window.desktopNotifications().openCount(), 2u);
        QCOMPARE(server.notified().size(), 2);

        // A click on one shows the window on the Messages page.
        window.pages().setCurrentIndex(PageTabs::Settings);
        window.hide();
        server.invoke(1, QStringLiteral("default"));
        QTRY_VERIFY(window.isVisible());
        QCOMPARE(window.pages().currentIndex(), int(PageTabs::Messages));
        QCOMPARE(selectedMessages(window), 1);
        // Read in the program, they leave the desktop's list.
        UserActions(shell.core).markAllRead();
        QTRY_COMPARE(window.desktopNotifications().openCount(), 0u);

        // No tray: closing leaves the checks running, and says so once.
        QSignalSpy exits(&window, &MainWindow::exitRequested);
        window.close();
        QVERIFY(!window.isVisible());
        window.showAndActivate();
        window.close();
        QCOMPARE(exits.count(), 0);
        QTRY_COMPARE(server.notified().size(), 3);
        QVERIFY(server.notified().last()[4].toString().contains(
            QStringLiteral("keeps checking your mail")));
    }

    void startingMinimizedOrWithoutAccounts() {
        TrayIcon::overrideAvailability(true);
        {
            Shell shell(accounts(ShellTest::unreachableAccount("a@example.org")), true);
            QVERIFY(!shell.window->isVisible());
            QVERIFY(shell.checkDone());
            QCOMPARE(ModelReader(shell.core).accounts()[0].status, Logic::AccountStatus::Failed);
        }
        Shell empty;
        QVERIFY(empty.window->isVisible());
        // The wizard opens over the window; cancelled, it leaves the Accounts tab showing.
        bool wizardOpened = false;
        QTimer::singleShot(0, empty.window.get(), [&] {
            if (auto* wizard = qobject_cast<AccountWizard*>(QApplication::activeModalWidget())) {
                wizardOpened = true;
                wizard->reject();
            }
        });
        QCoreApplication::processEvents();
        QVERIFY(wizardOpened);
        QCOMPARE(empty.window->pages().currentIndex(), int(PageTabs::Accounts));
        QCOMPARE(empty.window->windowTitle(), QStringLiteral("Quorvex Velomar"));
    }
};

VELOMAR_QT_TEST(MainWindowTest);

#include "MainWindowTest.moc"
