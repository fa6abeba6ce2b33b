#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

#include <optional>

/// One pop-up: a new message's account, sender and subject in a small window that stays on top
/// without ever taking the focus, fading in over a second, shown for six and fading out over
/// one. The picture is drawn once; each animation step only changes the opacity. A left click
/// asks for its message and sends it away, as a right click does.
class NotificationWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 240;
    static constexpr int kHeight = 90;
    /// Seconds from the first step to the end of the fade-out.
    static constexpr float kLifetime = 8.0f;

    /// A message's sender and subject, each after its label; or a notice, whose text takes the
    /// whole body.
    enum class Layout { Mail, Notice };

    /// Placed with its bottom-right corner at (right, bottom), shown fully transparent. A notice
    /// shows `subject` as its text and no sender.
    NotificationWindow(int right, int bottom, const QString& title, const QString& sender,
                       const QString& subject, Layout layout = Layout::Mail);

    /// Advances to `seconds` on the run's clock; the first step counts as no time at all, so a
    /// pop-up's life starts when it is first animated.
    void step(float seconds);
    bool isAlive() const { return m_elapsed < kLifetime; }
    float elapsed() const { return m_elapsed; }
    /// The opacity last set, 0 (transparent) to 255.
    int alpha() const { return m_alpha; }
    /// What a right click does: gone at once, then about half visible, gone half a second later.
    void dismiss();

    /// The whole picture, as drawn once at construction.
    static QPixmap draw(const QString& title, const QString& sender, const QString& subject,
                        qreal devicePixelRatio, Layout layout = Layout::Mail);

Q_SIGNALS:
    /// A left click: the person wants to see what it tells.
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void setAlpha(int alpha);

    QPixmap m_picture;
    std::optional<float> m_lastTime;
    float m_elapsed = 0.0f;
    int m_alpha = -1;
};
