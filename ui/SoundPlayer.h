#pragma once

#include <QObject>
#include <QString>

class QSoundEffect;

/// Plays a WAV file without waiting for it; a file that cannot be played is silently ignored.
/// One sound at a time: a new one replaces the one playing.
class SoundPlayer : public QObject {
    Q_OBJECT
public:
    explicit SoundPlayer(QObject* parent = nullptr);
    ~SoundPlayer() override;

    void play(const QString& path);
    void stop();

private:
    QSoundEffect* m_effect;
    bool m_playWhenLoaded = false;
};
