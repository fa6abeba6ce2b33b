#pragma once

#include <QList>
#include <QWidget>

class PagesObserver;
class QLineEdit;
class SoundPlayer;

namespace Norq {
class Settings;
}

/// The "Settings" tab: every change is reported to the observer at once.
class SettingsPage : public QWidget {
    Q_OBJECT
public:
    /// Shows the settings as they are now; the page keeps no copy of them.
    SettingsPage(const Norq::Settings& settings, SoundPlayer& player, QWidget* parent);

    /// Not owned; nothing is reported before it is set.
    void setObserver(PagesObserver* observer) { m_observer = observer; }

    QSize sizeHint() const override;

private:
    void intervalEdited(const QString& text);
    void playSoundClicked(bool on);
    void browseForSound();

    SoundPlayer& m_player;
    PagesObserver* m_observer = nullptr;
    QLineEdit* m_soundFile;
    /// The sound file's path and its three buttons, usable only while sound is on.
    QList<QWidget*> m_soundControls;
};
