#include "shell/MainWindow.h"

#include "core/LogicCore.h"
#include "foundation/Product.h"
#include "foundation/Settings.h"
#include "platform/AtomicFile.h"
#include "shell/DesktopNotifications.h"
#include "shell/DesktopTraits.h"
#include "shell/ImapIdlers.h"
#include "shell/Notifier.h"
#include "shell/PageTabs.h"
#include "shell/TrayIcon.h"
#include "shell/WakeWatcher.h"
#include "ui/DialogUnits.h"
#include "ui/ProgramIcon.h"
#include "ui/QtText.h"
#include "ui/ReadMailActions.h"
#include "ui/SettingsPage.h"
#include "ui/SoundPlayer.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace {

QString processingText(const std::string& emailAddress) {
    return QStringLiteral("Processing: [") + QString::fromStdString(emailAddress) + u']';
}

} // namespace

MainWindow::MainWindow(LogicCore& core, Norq::Settings& settings, bool startMinimized,
                       QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_core(core), m_settings(settings), m_events(core), m_actions(core), m_view(core),
      m_schedule(
          [this](const CheckStarter::Selection& selected) {
              return m_core.checkStarter().startCheck(selected);
          },
          this),
      m_requests([this] { return startCheck(); }),
      m_updater(core, &m_events.checkObserver(), CheckModelUpdater::Saving::ByTheNext) {
    buildWindow();
    connectEvents();

    placeOnScreen();

    connect(&m_schedule, &CheckSchedule::summaryChanged, this, &MainWindow::updateTrayStatus);
    m_schedule.setInterval(m_settings.timeout());
    // New mail while another account keeps the check running: a second is long enough to
    // gather what the other accounts bring in the meantime.
    m_announce.setSingleShot(true);
    m_announce.setInterval(1000);
    connect(&m_announce, &QTimer::timeout, this, &MainWindow::announce);
    m_settingsStore.setSingleShot(true);
    m_settingsStore.setInterval(500);
    connect(&m_settingsStore, &QTimer::timeout, this, &MainWindow::saveSettings);

    m_core.checkStarter().setObserver(&m_updater);

    if (!m_view.accounts().empty()) {
        if (!startMinimized)
            show();
        else if (!hasTray())
            showMinimized(); // without a notification area the task bar is the way back
        startCheck();
    } else {
        show();
        // Once the event loop runs, so the wizard opens over a window that is already there.
        QMetaObject::invokeMethod(
            this, [this] { m_pages->showAccountsAndAddAccount(); }, Qt::QueuedConnection);
    }
    m_initialised = true;
}

void MainWindow::showMessage(const std::shared_ptr<const Logic::Mail>& mail) {
    m_pages->showMessage(mail.get());
    showAndActivate();
}

void MainWindow::placeOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 4096, 4096);
    // The window manager's title bar and frame come on top of the window's own size.
    const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    const QSize room = area.size() - QSize(titleBar / 2, titleBar * 3 / 2);
    // Smaller than the first size, so the window can be made smaller, down to what shows the
    // pages' buttons and a few rows of a list; never more than the screen holds.
    setMinimumSize(
        minimumSizeHint().expandedTo(dialogUnitsToPixels(this, 220, 120)).boundedTo(room));
    const Norq::Settings::WindowSize stored = m_settings.mainWindowSize();
    const QSize wanted =
        stored.width > 0 && stored.height > 0
            ? QSize(static_cast<int>(stored.width), static_cast<int>(stored.height))
            : dialogUnitsToPixels(this, 332, 191);
    resize(wanted.expandedTo(minimumSize()).boundedTo(room));
    // Centred on the screen, and placed before it shows: a dialog opened at once (the wizard
    // of a first start) is then centred over a window whose place is known.
    move(area.x() + (area.width() - width()) / 2,
         area.y() + std::max(0, (area.height() - height() - titleBar) / 2));
}

MainWindow::~MainWindow() {
    // What was typed or dragged last is kept.
    if (m_settingsStore.isActive())
        saveSettings();
    // Waits for an event on its way; afterwards the checker reaches none of these objects.
    m_core.checkStarter().setObserver(nullptr);
    // What a check merged whose end this window did not see yet.
    m_core.saveIfChanged();
}

void MainWindow::connectEvents() {
    connect(&m_events, &ModelEvents::checkStarted, this, &MainWindow::checkStarted);
    connect(&m_events, &ModelEvents::accountStarting, this, &MainWindow::accountStarting);
    connect(&m_events, &ModelEvents::accountChecked, this, &MainWindow::accountChecked);
    connect(&m_events, &ModelEvents::accountFailed, this, &MainWindow::accountFailed);
    connect(&m_events, &ModelEvents::checkFinished, this, &MainWindow::checkFinished);
    // A new account, or one whose password or server was fixed, shows its result at once, not
    // at the next scheduled check.
    connect(&m_events, &ModelEvents::accountAdded, this,
            [this](const std::string& address) { m_schedule.checkAccount(address); });
    connect(&m_events, &ModelEvents::accountChanged, this,
            [this](const std::string& address, bool reachedAnew) {
                if (reachedAnew)
                    m_schedule.checkAccount(address);
            });
    connect(&m_events, &ModelEvents::accountRemoved, this, [this](const std::string& address) {
        m_schedule.forget(address);
        updateTrayStatus();
    });
    connect(&m_events, &ModelEvents::unreadChanged, this, &MainWindow::updateTrayStatus);
    connect(&m_events, &ModelEvents::modelSaved, this, [this] {
        // The status bar says "Processing" while a check runs; its end shows the outcome.
        if (m_running.empty())
            showIdleStatus();
    });

    const SettingsPage& page = m_pages->settingsPage();
    connect(&page, &SettingsPage::soundFileChanged, this, &MainWindow::soundFileChanged);
    connect(&page, &SettingsPage::intervalChanged, this, &MainWindow::intervalChanged);
    connect(&page, &SettingsPage::notificationWindowChanged, this,
            [this](bool on) { setFlag(Norq::Settings::FlagShowPopup, on); });
    connect(&page, &SettingsPage::playSoundChanged, this,
            [this](bool on) { setFlag(Norq::Settings::FlagPlaySound, on); });
    connect(&page, &SettingsPage::autostartChanged, this, &MainWindow::autostartChanged);
    connect(&page, &SettingsPage::notificationStyleChanged, this, [this](int style) {
        m_settings.setNotificationStyle(static_cast<Norq::Settings::NotificationStyle>(style));
        saveSettings();
    });
}

void MainWindow::connectDesktopNotifications() {
    connect(m_desktop, &DesktopNotifications::showRequested, this, &MainWindow::showMessage);
    connect(m_desktop, &DesktopNotifications::openRequested, this, &MainWindow::readMailOf);
    connect(m_desktop, &DesktopNotifications::markReadRequested, this,
            [this](const std::shared_ptr<const Logic::Mail>& mail) {
                m_actions.markRead({mail.get()});
            });
    // A message read in the program leaves the desktop's list too.
    connect(&m_events, &ModelEvents::unreadChanged, this, [this] {
        m_desktop->withdrawRead(
            [this](const Logic::Mail& mail) { return m_view.accountOfMail(mail).has_value(); });
    });
}

void MainWindow::readMailOf(const std::string& emailAddress) {
    const auto copy = m_view.accountSettings(emailAddress);
    if (copy && runReadMailAction(this, copy->preferences))
        m_actions.clearAccountMails(emailAddress);
}

bool MainWindow::usesDesktopNotifications() const {
    switch (m_settings.notificationStyle()) {
    case Norq::Settings::NotificationStyle::Popups:
        return false;
    case Norq::Settings::NotificationStyle::Desktop:
        return DesktopNotifications::available();
    case Norq::Settings::NotificationStyle::Automatic:
        break;
    }
    return !DesktopTraits::ownPopupsFit() && DesktopNotifications::available();
}

void MainWindow::buildWindow() {
    setWindowTitle(toQString(Norq::Product::kName));
    setWindowIcon(programIcon());

    m_statusText = new QLabel(QStringLiteral("Ready"));
    m_statusText->setObjectName(QStringLiteral("statusText"));
    m_scheduleText = new QLabel;
    m_scheduleText->setObjectName(QStringLiteral("scheduleText"));
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    statusBar()->setSizeGripEnabled(true);
    // Text keeps the margin the window's other text keeps from the window's edges.
    const int margin = dialogUnitsToPixelsX(this, 4);
    m_statusText->setContentsMargins(margin, 0, 0, 0);
    m_scheduleText->setContentsMargins(0, 0, margin, 0);
    statusBar()->addWidget(m_statusText, 1);
    statusBar()->addPermanentWidget(m_scheduleText);

    m_player = new SoundPlayer(this);
    m_tray = new TrayIcon(this);
    connect(m_tray, &TrayIcon::toggleRequested, this, &MainWindow::toggle);
    connect(m_tray, &TrayIcon::showRequested, this, &MainWindow::showAndActivate);
    connect(m_tray, &TrayIcon::markAllReadRequested, this, [this] { m_actions.markAllRead(); });
    connect(m_tray, &TrayIcon::checkRequested, this, &MainWindow::startCheck);
    connect(m_tray, &TrayIcon::exitRequested, this, &MainWindow::exit);

    auto* central = new QWidget(this);
    m_pages = new PageTabs(m_core, m_events, m_settings, *m_player, central);
    m_checkButton = new QPushButton(QStringLiteral("&Check E-Mail"), central);
    m_checkButton->setObjectName(QStringLiteral("checkButton"));
    m_checkButton->setFixedSize(dialogUnitsToPixels(this, 60, 14));
    connect(m_checkButton, &QPushButton::clicked, this, &MainWindow::startCheck);

    // The button sits under the right end of the tabs, 60 x 14 dialog units, 9 units from the
    // window's right edge (the tabs keep 1 of them); tabs, button and status bar share a client
    // area of 332 x 191 units.
    auto* buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(0, 0, dialogUnitsToPixelsX(this, 332 - 323 - 1), 0);
    buttonRow->addStretch();
    buttonRow->addWidget(m_checkButton);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(dialogUnitsToPixelsX(this, 1), dialogUnitsToPixelsY(this, 6),
                               dialogUnitsToPixelsX(this, 1), dialogUnitsToPixelsY(this, 2));
    layout->setSpacing(dialogUnitsToPixelsY(this, 1));
    layout->addWidget(m_pages, 1);
    layout->addLayout(buttonRow);
    setCentralWidget(central);

    m_notifier = new Notifier(m_actions, this);
    connect(m_notifier, &Notifier::popupClicked, this, &MainWindow::showMessage);
    m_desktop = new DesktopNotifications(this);
    connectDesktopNotifications();
    // IMAP accounts hear of new mail from their servers the moment it arrives.
    auto* idlers = new ImapIdlers(m_core, m_events, m_schedule, this);
    // After a sleep or a time offline the mail waiting is news: check once the network is there,
    // and idle on fresh connections.
    auto* wake = new WakeWatcher(std::chrono::milliseconds(1500), this);
    connect(wake, &WakeWatcher::checkWanted, this, &MainWindow::startCheck);
    connect(wake, &WakeWatcher::checkWanted, idlers, &ImapIdlers::restartAll);

    updateTrayStatus();
}

ModelEvents::CheckId MainWindow::startCheck() {
    return m_schedule.checkAll();
}

void MainWindow::checkOnRequest(CheckRequests::Done done) {
    m_requests.add(std::move(done));
}

void MainWindow::updateTrayStatus() {
    const std::size_t unread = m_view.unreadCount();
    m_tray->enableMarkAllRead(unread > 0);
    if (unread > 0)
        m_tray->showNewMailIcon();
    else
        m_tray->showNormalIcon();
    QString count;
    if (unread == 0)
        count = QStringLiteral("No unread messages");
    else if (unread == 1)
        count = QStringLiteral("1 unread message");
    else
        count = QStringLiteral("%1 unread messages").arg(unread);
    QString tooltip = toQString(Norq::Product::kName) + u'\n' + count;
    std::size_t failing = 0;
    for (const AccountView& account : m_view.accounts())
        failing += account.failureReason.empty() ? 0 : 1;
    m_tray->setWarning(failing > 0);
    if (failing == 1)
        tooltip += QStringLiteral("\n1 account cannot be checked");
    else if (failing > 1)
        tooltip += QStringLiteral("\n%1 accounts cannot be checked").arg(failing);
    const QString schedule = m_schedule.summary();
    m_scheduleText->setText(schedule);
    m_tray->setTooltip(tooltip + u'\n' + schedule);
}

void MainWindow::toggle() {
    if (isVisible() && !isMinimized() && !isMaximized())
        hideToTray();
    else
        showAndActivate();
}

void MainWindow::showAndActivate() {
    showNormal();
    raise();
    activateWindow();
}

bool MainWindow::hasTray() {
    return TrayIcon::isAvailable();
}

void MainWindow::hideToTray() {
    if (hasTray())
        hide();
    else
        showMinimized();
}

void MainWindow::exit() {
    // Quitting asks every window to close first, and a window that only hides on close would
    // turn the quit down.
    m_exiting = true;
    Q_EMIT exitRequested();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (hasTray() && !m_exiting) {
        event->ignore();
        hide();
        return;
    }
    // No tray, as on GNOME: with desktop notifications the program can go on in the background,
    // where new mail still reaches the user, and says so once.
    if (!m_exiting && DesktopNotifications::available()) {
        event->ignore();
        hide();
        if (!std::exchange(m_toldKeepsChecking, true))
            m_desktop->showNotice(toQString(Norq::Product::kName),
                                  toQString(Norq::Product::kName) +
                                      QStringLiteral(" keeps checking your mail; "
                                                     "start it again from the menu "
                                                     "to open its window."));
        return;
    }
    // Without a notification area a hidden window could not be reached again: closing it
    // ends the program, as with any window.
    event->accept();
    if (!m_exiting)
        exit();
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && hasTray())
        // Hiding inside the state change confuses some window managers; right after it is safe.
        QMetaObject::invokeMethod(this, &QWidget::hide, Qt::QueuedConnection);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (m_initialised && windowState() == Qt::WindowNoState) {
        m_settings.setMainWindowSize(static_cast<unsigned>(width()),
                                     static_cast<unsigned>(height()));
        m_settingsStore.start();
    }
}

QString MainWindow::statusText() const {
    return m_statusText->text();
}

void MainWindow::setStatusText(const QString& text) {
    m_statusText->setText(text);
    // A reason is longer than the status bar has room for: the whole of it on hover.
    m_statusText->setToolTip(text == m_checkFailure ? m_checkFailureReason : QString());
}

void MainWindow::showIdleStatus() {
    // A failed save matters most: until one succeeds, nothing found is safe. Then an account
    // the last check could not reach stays in sight until the next check.
    const std::string saveError = m_core.saveError();
    if (!saveError.empty())
        setStatusText(QStringLiteral("Could not save: ") + QString::fromStdString(saveError));
    else if (!m_checkFailure.isEmpty())
        setStatusText(m_checkFailure);
    else
        setStatusText(QStringLiteral("Ready"));
}

void MainWindow::checkStarted(ModelEvents::CheckId check) {
    m_checkButton->setEnabled(false);
    if (m_running.empty())
        m_checkFailure.clear();
    m_running.insert(check);
    m_requests.checkStarted(check);
}

void MainWindow::accountStarting(const std::string& emailAddress) {
    setStatusText(processingText(emailAddress));
}

void MainWindow::accountChecked(const std::string& address, const CheckFindings& findings) {
    if (!findings.newMails.empty()) {
        m_newMail = true;
        if (!m_announce.isActive())
            m_announce.start();
    }
    if (!findings.cut)
        m_schedule.accountChecked(address);
    m_requests.accountChecked(address, findings.newMails);
}

void MainWindow::accountFailed(const std::string& address, const CheckProblem& problem) {
    m_checkFailure = processingText(address) + QStringLiteral(" failed");
    m_checkFailureReason = toQString(problem.reason);
    setStatusText(m_checkFailure);
    const auto account = m_view.account(address);
    const int failures = account ? account->failuresInARow : 1;
    m_schedule.accountFailed(address, problem, failures);
    // Told once when the account starts failing, not at every check that fails again; at the
    // end of the check, with its new mail.
    if (failures == 1)
        m_newProblems.emplace_back(toQString(address), toQString(problem.reason));
    updateTrayStatus();
    m_requests.accountFailed(address, problem);
}

void MainWindow::announce() {
    m_announce.stop();
    const std::uint32_t flags = m_settings.flags();
    if ((flags & Norq::Settings::FlagShowPopup) != 0 && usesDesktopNotifications()) {
        const UserActions::MailsToNotify taken = m_actions.takeMailsToNotify();
        m_desktop->showNewMails(taken.mails, static_cast<std::size_t>(Notifier::maximumFor(
                                                 Notifier::primaryWorkArea())));
        for (const auto& [address, reason] : m_newProblems)
            m_desktop->showProblem(address, reason);
    } else if ((flags & Norq::Settings::FlagShowPopup) != 0) {
        m_notifier->showNewMails();
        for (const auto& [address, reason] : m_newProblems)
            m_notifier->showProblem(address, reason);
    }
    m_newProblems.clear();
    if ((flags & Norq::Settings::FlagPlaySound) != 0 && m_newMail)
        m_player->play(QString::fromStdU16String(m_settings.notificationSound()));
    m_newMail = false;
}

void MainWindow::checkFinished(ModelEvents::CheckId check) {
    // The pop-ups flag what they show and save it with what the check found; whatever is
    // left unsaved is saved here: one save per check.
    announce();
    m_core.saveIfChanged();
    m_running.erase(check);
    if (m_running.empty()) {
        m_checkButton->setEnabled(true);
        showIdleStatus();
    }
    m_requests.checkFinished(check, m_view.accounts(), m_core.saveError());
    m_schedule.checkFinished();
    updateTrayStatus();
}

void MainWindow::soundFileChanged(const QString& path) {
    m_settings.setNotificationSound(wideOf(path));
    m_settingsStore.start();
}

void MainWindow::intervalChanged(int minutes) {
    // A negative interval means no interval at all.
    const std::uint32_t kept = minutes > 0 ? static_cast<std::uint32_t>(minutes) : 0;
    m_settings.setTimeout(kept);
    m_settingsStore.start();
    m_schedule.setInterval(kept);
}

void MainWindow::setFlag(std::uint32_t flag, bool on) {
    const std::uint32_t flags = m_settings.flags();
    m_settings.setFlags(on ? flags | flag : flags & ~flag);
    saveSettings();
}

void MainWindow::autostartChanged(bool on) {
    if (on ? m_settings.enableAutostart() : m_settings.disableAutostart())
        return;
    setStatusText(QStringLiteral("Could not change the start at log-on (%1); make sure you can "
                                 "write to its folder")
                      .arg(toQString(m_settings.autostartEntry().string())));
}

void MainWindow::saveSettings() {
    m_settingsStore.stop();
    // A setting that seems kept but comes back as it was at the next start is worse than a
    // word in the status bar, which stays until the next check.
    if (const int error = m_settings.save(); error != 0)
        setStatusText(QStringLiteral("Could not save the settings to %1 (%2); make sure you can "
                                     "write there")
                          .arg(toQString(m_settings.storePath().string()),
                               toQString(Platform::errorText(error))));
}
