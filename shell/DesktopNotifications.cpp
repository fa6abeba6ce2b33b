#include "shell/DesktopNotifications.h"

#include "foundation/Product.h"
#include "logic/Mail.h"
#include "ui/QtText.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kDefaultAction = QStringLiteral("default");
const QString kOpenAction = QStringLiteral("open");
const QString kMarkReadAction = QStringLiteral("mark-read");

QDBusMessage call(const QString& method, const QVariantList& arguments = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    message.setArguments(arguments);
    return message;
}

} // namespace

DesktopNotifications::DesktopNotifications(QObject* parent) : QObject(parent) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                SLOT(actionInvoked(uint, QString)));
    bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                SLOT(notificationClosed(uint, uint)));
    auto* watcher =
        new QDBusPendingCallWatcher(bus.asyncCall(call(QStringLiteral("GetCapabilities"))), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* answered) {
                const QDBusPendingReply<QStringList> reply = *answered;
                if (reply.isValid()) {
                    m_actions = reply.value().contains(QStringLiteral("actions"));
                    m_markup = reply.value().contains(QStringLiteral("body-markup"));
                    m_knowsServer = true;
                }
                answered->deleteLater();
            });
}

bool DesktopNotifications::available() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    // Some desktops start their notification server only when the first notification comes.
    return bus.interface()->isServiceRegistered(kService) ||
           bus.interface()->activatableServiceNames().value().contains(kService);
}

void DesktopNotifications::showNewMails(const Logic::Account::MailList& mails,
                                        std::size_t maximum) {
    const std::size_t shown = std::min(mails.size(), maximum);
    for (std::size_t i = 0; i < shown; ++i) {
        const Logic::Mail& mail = *mails[i];
        notify(toQString(mail.accountEmail()),
               text(toQString(mail.sender())) + u'\n' + text(toQString(mail.subject())),
               QStringLiteral("email.arrived"), mails[i], true);
    }
    // None is dropped without a word.
    if (mails.size() > shown)
        notify(toQString(Norq::Product::kName),
               QStringLiteral("+%1 more new messages").arg(mails.size() - shown),
               QStringLiteral("email.arrived"), nullptr, true);
}

void DesktopNotifications::showProblem(const QString& emailAddress, const QString& reason) {
    notify(emailAddress, text(QStringLiteral("Cannot be checked: ") + reason),
           QStringLiteral("email"), nullptr, true);
}

void DesktopNotifications::showNotice(const QString& summary, const QString& body) {
    notify(summary, text(body), {}, nullptr, false);
}

void DesktopNotifications::withdrawRead(const std::function<bool(const Logic::Mail&)>& isUnread) {
    for (const auto& [id, mail] : m_open) {
        if (mail && !isUnread(*mail))
            QDBusConnection::sessionBus().asyncCall(
                call(QStringLiteral("CloseNotification"), {id}));
    }
}

void DesktopNotifications::notify(const QString& summary, const QString& body,
                                  const QString& category, std::shared_ptr<const Logic::Mail> mail,
                                  bool withActions) {
    QStringList actions;
    if (withActions && m_actions) {
        actions << kDefaultAction << QStringLiteral("Show");
        if (mail)
            actions << kOpenAction << QStringLiteral("Open") << kMarkReadAction
                    << QStringLiteral("Mark as read");
    }
    QVariantMap hints{{QStringLiteral("desktop-entry"), toQString(Norq::Product::kDesktopId)},
                      {QStringLiteral("suppress-sound"), true}};
    if (!category.isEmpty())
        hints.insert(QStringLiteral("category"), category);
    const QDBusMessage message = call(
        QStringLiteral("Notify"), {toQString(Norq::Product::kName), uint{0},
                                   QStringLiteral("velomar"), summary, body, actions, hints, -1});
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, mail = std::move(mail)](QDBusPendingCallWatcher* answered) {
                const QDBusPendingReply<uint> reply = *answered;
                if (reply.isValid())
                    m_open[reply.value()] = mail;
                answered->deleteLater();
            });
}

QString DesktopNotifications::text(const QString& plain) const {
    return m_markup ? plain.toHtmlEscaped() : plain;
}

void DesktopNotifications::actionInvoked(uint id, const QString& action) {
    const auto found = m_open.find(id);
    // Another program's notification: the signal goes to every listener.
    if (found == m_open.end())
        return;
    if (action == kDefaultAction)
        Q_EMIT showRequested(found->second);
    else if (action == kOpenAction && found->second)
        Q_EMIT openRequested(found->second->accountEmail());
    else if (action == kMarkReadAction && found->second)
        Q_EMIT markReadRequested(found->second);
}

void DesktopNotifications::notificationClosed(uint id, uint) {
    m_open.erase(id);
}
