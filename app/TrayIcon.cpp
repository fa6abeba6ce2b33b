#include "app/TrayIcon.h"

#include "foundation/Product.h"
#include "ui/WidgetIds.h"

#include <QMenu>
#include <QSystemTrayIcon>

namespace {

std::optional<bool> g_availability; // set by tests only

// Drawn for each size a notification area asks for most; the picture scales for the others.
QIcon trayIcon(const QString& name) {
    QIcon icon(QStringLiteral(":/tray/%1.svg").arg(name));
    for (const int size : {16, 22, 32, 48})
        icon.addFile(QStringLiteral(":/tray/%1-%2.png").arg(name).arg(size), QSize(size, size));
    return icon;
}

} // namespace

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent), m_menu(std::make_unique<QMenu>()),
      m_normalIcon(trayIcon(QStringLiteral("normal"))),
      m_newMailIcon(trayIcon(QStringLiteral("new-mail"))),
      m_icon(new QSystemTrayIcon(m_normalIcon, this)) {
    setControlId(m_menu.get(), 121, "trayMenu");
    addItem(40006, "showItem", QStringLiteral("Show Velomar"), &TrayIcon::showRequested);
    m_markAllRead = addItem(40007, "markAllReadItem", QStringLiteral("Mark All As Read"),
                            &TrayIcon::markAllReadRequested);
    addItem(40005, "checkItem", QStringLiteral("Check E-Mail"), &TrayIcon::checkRequested);
    m_menu->addSeparator();
    addItem(40001, "exitItem", QStringLiteral("E&xit"), &TrayIcon::exitRequested);

    m_icon->setContextMenu(m_menu.get());
    m_icon->setToolTip(QString::fromUtf8(Norq::Product::kName.data(),
                                         static_cast<qsizetype>(Norq::Product::kName.size())));
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

QAction* TrayIcon::addItem(int id, const char* objectName, const QString& text,
                           void (TrayIcon::*request)()) {
    QAction* action = m_menu->addAction(text);
    setControlId(action, id, objectName);
    connect(action, &QAction::triggered, this, request);
    return action;
}

void TrayIcon::showNewMailIcon() {
    setIcon(m_newMailIcon);
}

void TrayIcon::showNormalIcon() {
    setIcon(m_normalIcon);
}

// Every check ends by setting both; the notification area redraws only for a real change.
void TrayIcon::setIcon(const QIcon& icon) {
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
