#pragma once

#include "core/CheckModelUpdater.h"
#include "core/ModelReader.h"
#include "core/UserActions.h"
#include "shell/CheckRequests.h"
#include "shell/CheckSchedule.h"
#include "ui/ModelEvents.h"

#include <QMainWindow>
#include <QString>
#include <QTimer>

#include <memory>
#include <set>
#include <utility>
#include <vector>

class DesktopNotifications;
class LogicCore;
class Notifier;
class PageTabs;
class QLabel;
class QPushButton;
class SoundPlayer;
class TrayIcon;

namespace Logic {
class Mail;
}

namespace Norq {
class Settings;
}

/// The program's one window and the hub of the desktop shell: it checks on a schedule, on its
/// "Check E-Mail" button and from the tray menu; turns each check's progress into account
/// statuses, status-bar texts, the tray icon and tooltip, pop-ups and a sound (and tells when
/// an account starts failing); hosts the four pages and carries out their settings changes. Closing
/// or minimising it hides it in the notification area, as long as the desktop has one. It hears
/// the model's events as ModelEvents' signals, and the settings as the Settings page's.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    /// Builds the window, starts the schedule and then either the first check (shown, or
    /// hidden in the tray when `startMinimized`) or, without any account, adding one.
    MainWindow(LogicCore& core, Norq::Settings& settings, bool startMinimized,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    /// Starts a check of every account, also while another runs: the "Check Now" button, the
    /// tray's menu, a wake-up, the network's return. Returns the check's id.
    ModelEvents::CheckId startCheck();
    /// The unread count on the tray: icon, tooltip and "Mark All As Read".
    void updateTrayStatus();
    /// A left click on the tray icon: hides the window when it is shown normally, else shows it.
    void toggle();
    /// "Show Velomar": the window in its normal state, in front.
    void showAndActivate();
    /// A check asked for from outside the window; `done` gets its report.
    void checkOnRequest(CheckRequests::Done done);

    TrayIcon& trayIcon() const { return *m_tray; }
    Notifier& notifier() const { return *m_notifier; }
    DesktopNotifications& desktopNotifications() const { return *m_desktop; }
    PageTabs& pages() const { return *m_pages; }
    ModelEvents& events() { return m_events; }
    QString statusText() const;

    /// "E&xit": from now on closing the window ends the program, as the quit needs.
    void exit();

Q_SIGNALS:
    /// "E&xit" was chosen, or the window was closed while no notification area exists.
    void exitRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The checks' events.
    void checkStarted(ModelEvents::CheckId check);
    void accountStarting(const std::string& emailAddress);
    /// New mail is announced when the check ends, or a moment after it came when another
    /// account of the check keeps it running.
    void accountChecked(const std::string& emailAddress, const CheckFindings& findings);
    void accountFailed(const std::string& emailAddress, const CheckProblem& problem);
    void checkFinished(ModelEvents::CheckId check);
    /// Pop-ups (or desktop notifications) and the sound for the new mail and problems not
    /// shown yet.
    void announce();
    /// Whether new mail shows as desktop notifications rather than the program's own pop-ups:
    /// as the settings say, where a notification service runs.
    bool usesDesktopNotifications() const;
    void connectDesktopNotifications();
    /// The account's read-mail action, then its messages read, as a double click does.
    void readMailOf(const std::string& emailAddress);

    // The settings' changes.
    void soundFileChanged(const QString& path);
    void intervalChanged(int minutes);
    void setFlag(std::uint32_t flag, bool on);
    void autostartChanged(bool on);

    void buildWindow();
    /// The window, on the Messages page with this message selected (if it is still unread).
    void showMessage(const std::shared_ptr<const Logic::Mail>& mail);
    /// The first size, the stored one or the template's, within the screen; centred on it.
    void placeOnScreen();
    void connectEvents();
    void saveSettings();
    void setStatusText(const QString& text);
    /// "Ready", or why the accounts could not be saved, until a save succeeds.
    void showIdleStatus();
    void hideToTray();
    static bool hasTray();

    LogicCore& m_core;
    Norq::Settings& m_settings;
    ModelEvents m_events;
    UserActions m_actions;
    ModelReader m_view;
    SoundPlayer* m_player = nullptr;
    TrayIcon* m_tray = nullptr;
    PageTabs* m_pages = nullptr;
    Notifier* m_notifier = nullptr;
    DesktopNotifications* m_desktop = nullptr;
    QPushButton* m_checkButton = nullptr;
    QLabel* m_statusText = nullptr;
    /// When the last check was and the next is due, at the status bar's right end.
    QLabel* m_scheduleText = nullptr;
    CheckSchedule m_schedule;
    /// A resize or a typed setting is stored once the user has paused: each store rewrites
    /// the settings file. What is pending is stored when the window goes.
    QTimer m_settingsStore;
    CheckRequests m_requests;
    CheckModelUpdater m_updater;
    /// New mail came that pop-ups and the sound have not announced yet.
    bool m_newMail = false;
    QTimer m_announce;
    std::set<ModelEvents::CheckId> m_running;
    bool m_exiting = false;
    /// Closing the window without a tray was explained once this run.
    bool m_toldKeepsChecking = false;
    /// The accounts that started failing and were not announced yet, with their reasons.
    std::vector<std::pair<QString, QString>> m_newProblems;
    /// The status text of the last account the running or last check could not reach.
    QString m_checkFailure;
    QString m_checkFailureReason;
    bool m_initialised = false;
};
