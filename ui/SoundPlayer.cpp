#include "ui/SoundPlayer.h"

#include <QSoundEffect>
#include <QUrl>

SoundPlayer::SoundPlayer(QObject* parent) : QObject(parent), m_effect(new QSoundEffect(this)) {
    // The effect starts once its file is loaded, which happens in the background.
    connect(m_effect, &QSoundEffect::statusChanged, this, [this] {
        if (m_effect->status() == QSoundEffect::Ready && m_playWhenLoaded) {
            m_playWhenLoaded = false;
            m_effect->play();
        }
    });
}

SoundPlayer::~SoundPlayer() = default;

void SoundPlayer::play(const QString& path) {
    stop();
    const QUrl source = QUrl::fromLocalFile(path);
    if (m_effect->source() == source && m_effect->status() == QSoundEffect::Ready) {
        m_effect->play();
        return;
    }
    m_playWhenLoaded = true;
    m_effect->setSource(source);
}

void SoundPlayer::stop() {
    m_playWhenLoaded = false;
    m_effect->stop();
}
