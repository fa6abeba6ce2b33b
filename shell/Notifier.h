#pragma once

#include "shell/NotificationWindow.h"

#include <QObject>
#include <QRect>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class UserActions;

namespace Logic {
class Mail;
}

/// Shows each new message once in a pop-up at the bottom right of the primary screen. A run
/// shows the messages not shown before, one pop-up at least a second after the previous,
/// each directly above the one before; messages found while it lasts join it. Where more wait
/// than fit on the screen, the last pop-up that fits says how many more there are. The
/// animation timer runs only while a run lasts. The pop-ups live on the interface thread.
class Notifier : public QObject {
    Q_OBJECT
public:
    /// Seconds on a steady clock.
    using Clock = std::function<double()>;
    /// The area pop-ups may cover, read once at the start of each run.
    using WorkArea = std::function<QRect()>;

    explicit Notifier(UserActions& actions, QObject* parent = nullptr);
    ~Notifier() override;

    /// Takes every message not shown yet (they are flagged at once, so none is offered twice,
    /// even after a restart) and starts a run, or adds them to the one that lasts.
    void showNewMails();
    /// Shows in a pop-up that this account could not be checked, and why; in the run that
    /// lasts, or in a run of its own.
    void showProblem(const QString& emailAddress, const QString& reason);
    bool isRunning() const { return m_timer.isActive(); }

    /// One pass of the animation, every 10 ms while a run lasts: adds the next pop-up when its
    /// turn has come, moves every pop-up on by the time that has passed, and ends the run when
    /// everything has faded.
    void animate();

    /// For tests: another clock or work area than the steady clock and the primary screen's
    /// available geometry.
    void setClock(Clock clock) { m_clock = std::move(clock); }
    void setWorkArea(WorkArea workArea) { m_workArea = std::move(workArea); }

    /// The pop-ups of the run, oldest first (finished ones stay, hidden, until it ends).
    const std::vector<std::unique_ptr<NotificationWindow>>& popups() const { return m_popups; }
    /// The most pop-ups a run shows on the current work area, but always at least one.
    int maximum() const { return m_maximum; }
    /// The most pop-ups that fit into three quarters of the area's height, at least one.
    static int maximumFor(const QRect& area);
    /// The primary screen's area outside panels and docks.
    static QRect primaryWorkArea();

Q_SIGNALS:
    /// A pop-up was clicked; `mail` is its message, null for a notice or a count of more.
    void popupClicked(const std::shared_ptr<const Logic::Mail>& mail);

private:
    struct Notice {
        QString title;
        QString text;
    };
    /// A message, whose texts are read when its pop-up is made (a first check may bring
    /// thousands, of which a few are shown), or else a notice with its own.
    struct Pending {
        std::shared_ptr<const Logic::Mail> mail;
        std::unique_ptr<Notice> notice;
    };

    /// Starts a run of what waits, unless one lasts.
    void startRun();
    void addPopup();
    /// The next pop-up to show: the first waiting, or, in the last place that fits while more
    /// messages wait, how many there are.
    Pending takeNext();
    void endRun();

    UserActions& m_actions;
    Clock m_clock;
    WorkArea m_workArea;
    QTimer m_timer;
    double m_runStart = 0;
    int m_maximum = 0;
    int m_right = 0;
    int m_bottom = 0;
    bool m_alive = false;
    std::deque<Pending> m_pending;
    std::vector<std::unique_ptr<NotificationWindow>> m_popups;
};
