#include "shell/TrayIcon.h"
#include "ui/QtText.h"

#include "foundation/Product.h"

#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

#include <algorithm>

namespace {

std::optional<bool> g_availability; // set by tests only

// Drawn for each size a notification area asks for most; the picture scales for the others.
QIcon trayIcon(const QString& name) {
    QIcon icon(QStringLiteral(":/tray/%1.svg").arg(name));
    for (const int size : {16, 22, 32, 48})
        icon.addFile(QStringLiteral(":/tray/%1-%2.png").arg(name).arg(size), QSize(size, size));
    return icon;
}

// The picture with a warning sign in its bottom-right quarter: an amber disc with a "!", drawn
// at each size so it stays sharp.
QIcon withWarning(const QIcon& base) {
    QIcon icon;
    for (const int size : {16, 22, 32, 48}) {
        QPixmap pixmap = base.pixmap(QSize(size, size));
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal badge = size * 0.55;
        const QRectF disc(size - badge, size - badge, badge, badge);
        painter.setPen(QPen(Qt::white, std::max(1.0, size / 16.0)));
        painter.setBrush(QColor(0xF0, 0xA0, 0x00));
        painter.drawEllipse(disc.adjusted(0.5, 0.5, -0.5, -0.5));
        painter.setPen(QPen(Qt::black, std::max(1.5, size / 11.0), Qt::SolidLine, Qt::RoundCap));
        const qreal x = disc.center().x();
        painter.drawLine(QPointF(x, disc.top() + badge * 0.25),
                         QPointF(x, disc.top() + badge * 0.58));
        painter.drawPoint(QPointF(x, disc.top() + badge * 0.76));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent), m_menu(std::make_unique<QMenu>()),
      m_normalIcon(trayIcon(QStringLiteral("normal"))),
      m_newMailIcon(trayIcon(QStringLiteral("new-mail"))),
      m_normalWarningIcon(withWarning(m_normalIcon)),
      m_newMailWarningIcon(withWarning(m_newMailIcon)),
      m_icon(new QSystemTrayIcon(m_normalIcon, this)) {
    m_menu.get()->setObjectName(QStringLiteral("trayMenu"));
    addItem("showItem", QStringLiteral("Show Velomar"), &TrayIcon::showRequested);
    m_markAllRead = addItem("markAllReadItem", QStringLiteral("Mark All As Read"),
                            &TrayIcon::markAllReadRequested);
    addItem("checkItem", QStringLiteral("Check E-Mail"), &TrayIcon::checkRequested);
    m_menu->addSeparator();
    addItem("exitItem", QStringLiteral("E&xit"), &TrayIcon::exitRequested);

    m_icon->setContextMenu(m_menu.get());
    m_icon->setToolTip(toQString(Norq::Product::kName));
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                // Qt reports the second press of a double click as DoubleClick alone.
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    Q_EMIT toggleRequested();
            });
    m_icon->show();
}

TrayIcon::~TrayIcon() {
    m_icon->hide();
}

QAction* TrayIcon::addItem(const char* objectName, const QString& text,
                           void (TrayIcon::*request)()) {
    QAction* action = m_menu->addAction(text);
    action->setObjectName(QString::fromLatin1(objectName));
    connect(action, &QAction::triggered, this, request);
    return action;
}

void TrayIcon::showNewMailIcon() {
    m_newMail = true;
    showIcon();
}

void TrayIcon::showNormalIcon() {
    m_newMail = false;
    showIcon();
}

void TrayIcon::setWarning(bool on) {
    m_warning = on;
    showIcon();
}

// Every check ends by setting the picture; the notification area redraws only for a real
// change.
void TrayIcon::showIcon() {
    const QIcon& icon = m_warning ? (m_newMail ? m_newMailWarningIcon : m_normalWarningIcon)
                                  : (m_newMail ? m_newMailIcon : m_normalIcon);
    if (m_icon->icon().cacheKey() != icon.cacheKey())
        m_icon->setIcon(icon);
}

void TrayIcon::setTooltip(const QString& text) {
    if (m_icon->toolTip() != text)
        m_icon->setToolTip(text);
}

void TrayIcon::enableMarkAllRead(bool enabled) {
    m_markAllRead->setEnabled(enabled);
}

bool TrayIcon::isAvailable() {
    return g_availability.value_or(QSystemTrayIcon::isSystemTrayAvailable());
}

void TrayIcon::overrideAvailability(std::optional<bool> available) {
    g_availability = available;
}
