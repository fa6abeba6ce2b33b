#pragma once

#include <QList>
#include <QWidget>

class QLineEdit;
class SoundPlayer;

namespace Norq {
class Settings;
}

/// The "Settings" tab: every change is signalled at once.
class SettingsPage : public QWidget {
    Q_OBJECT
public:
    /// Shows the settings as they are now; the page keeps no copy of them.
    SettingsPage(const Norq::Settings& settings, SoundPlayer& player, QWidget* parent);

    QSize sizeHint() const override;

Q_SIGNALS:
    void soundFileChanged(const QString& path);
    /// 0 stops the periodic checks.
    void intervalChanged(int minutes);
    void notificationWindowChanged(bool on);
    /// A Norq::Settings::NotificationStyle, as a number.
    void notificationStyleChanged(int style);
    void playSoundChanged(bool on);
    void autostartChanged(bool on);

private:
    void intervalEdited(const QString& text);
    void playSoundClicked(bool on);
    void browseForSound();

    SoundPlayer& m_player;
    QLineEdit* m_soundFile;
    /// The sound file's path and its three buttons, usable only while sound is on.
    QList<QWidget*> m_soundControls;
};
