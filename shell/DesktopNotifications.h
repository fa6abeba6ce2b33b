#pragma once

#include "logic/Account.h"

#include <QObject>
#include <QString>

#include <map>
#include <memory>
#include <string>

class QDBusPendingCallWatcher;

namespace Logic {
class Mail;
}

/// New mail and failing accounts as the desktop's own notifications, through the notification
/// service on the session bus (org.freedesktop.Notifications, which every desktop's
/// notification server offers). One notification per message, the account as its summary,
/// sender and subject as its body; the server's sound is turned off, the program plays its
/// own. Where the server takes actions, each message offers "Open" and "Mark as read", and a
/// click on it asks for the main window. Nothing here waits for the server: every call is
/// answered later, or never.
class DesktopNotifications : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifications(QObject* parent = nullptr);

    /// Whether a notification service is on the session bus, or starts when called.
    static bool available();

    /// One notification per message, in the order given, at most `maximum`; the others as one
    /// "+N more new messages".
    void showNewMails(const Logic::Account::MailList& mails, std::size_t maximum);
    /// That this account could not be checked, and why.
    void showProblem(const QString& emailAddress, const QString& reason);
    /// A notice of the program's own, without actions.
    void showNotice(const QString& summary, const QString& body);
    /// Withdraws the notifications of messages that are read now: `isUnread` tells which are
    /// not.
    void withdrawRead(const std::function<bool(const Logic::Mail&)>& isUnread);

    /// The notifications shown and not closed yet.
    std::size_t openCount() const { return m_open.size(); }
    /// The server has said what it can do; until then no notification offers actions.
    bool knowsServer() const { return m_knowsServer; }

Q_SIGNALS:
    /// "Open": the account's read-mail action, as a double click on the message does.
    void openRequested(const std::string& emailAddress);
    /// "Mark as read".
    void markReadRequested(const std::shared_ptr<const Logic::Mail>& mail);
    /// A click on a notification: the main window, on its Messages page with the message
    /// selected (`mail` is null for a notification without one).
    void showRequested(const std::shared_ptr<const Logic::Mail>& mail);

private Q_SLOTS:
    void actionInvoked(uint id, const QString& action);
    void notificationClosed(uint id, uint reason);

private:
    /// Sends one notification; `mail` is the message it stands for, if any.
    void notify(const QString& summary, const QString& body, const QString& category,
                std::shared_ptr<const Logic::Mail> mail, bool withActions);
    QString text(const QString& plain) const;

    /// What the server said it can do: actions, markup in the body.
    bool m_knowsServer = false;
    bool m_actions = false;
    bool m_markup = false;
    /// Each open notification by its id, with its message (null for one without).
    std::map<uint, std::shared_ptr<const Logic::Mail>> m_open;
};
