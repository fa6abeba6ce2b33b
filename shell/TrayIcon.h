#pragma once

#include <QIcon>
#include <QObject>

#include <memory>
#include <optional>

class QAction;
class QMenu;
class QSystemTrayIcon;

/// The program's icon in the notification area: the normal or the new-mail picture, with a
/// warning mark while an account fails, a tooltip with the unread count, and the program's menu
/// on a right click. It holds no mail state; the main window decides what it shows and carries
/// out its commands.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    void showNewMailIcon();
    void showNormalIcon();
    /// Marks either picture with a warning sign, or takes the mark off.
    void setWarning(bool on);
    bool showsWarning() const { return m_warning; }
    void setTooltip(const QString& text);
    void enableMarkAllRead(bool enabled);

    /// Whether the desktop has a notification area right now; one may come or go while the
    /// program runs, and the icon moves into one that appears.
    static bool isAvailable();
    /// For tests: what isAvailable answers, whatever the platform; nothing restores the truth.
    static void overrideAvailability(std::optional<bool> available);

    QMenu* menu() const { return m_menu.get(); }
    QSystemTrayIcon* icon() const { return m_icon; }

Q_SIGNALS:
    /// A left click (a double click gives two).
    void toggleRequested();
    void showRequested();
    void markAllReadRequested();
    void checkRequested();
    void exitRequested();

private:
    void showIcon();
    QAction* addItem(const char* objectName, const QString& text, void (TrayIcon::*request)());

    std::unique_ptr<QMenu> m_menu; // a tray icon does not own its menu
    QAction* m_markAllRead = nullptr;
    QIcon m_normalIcon;
    QIcon m_newMailIcon;
    QIcon m_normalWarningIcon;
    QIcon m_newMailWarningIcon;
    bool m_newMail = false;
    bool m_warning = false;
    QSystemTrayIcon* m_icon;
};
