#include "shell/NotificationWindow.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>

namespace {

constexpr float kFadeIn = 1.0f;
constexpr float kFadeOutStart = 7.0f;
constexpr float kDismissedAt = 7.5f;

// Every edge below is exclusive, as the picture's layout gives it: (left, top) to
// (right, bottom).
QRect edges(int left, int top, int right, int bottom) {
    return {left, top, right - left, bottom - top};
}

QFont popupFont(bool bold) {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    font.setBold(bold);
    return font;
}

// A bold label at (left, top), measured as one line; returns where it ends.
QRect drawLabel(QPainter& painter, int left, int top, const QString& label) {
    painter.setFont(popupFont(true));
    const QFontMetrics metrics(painter.font());
    const QRect area(left, top, metrics.horizontalAdvance(label), metrics.height());
    painter.drawText(area, Qt::TextSingleLine, label);
    return area;
}

// Text wrapped at word breaks within `area`; the last line that fits ends in an ellipsis
// when more text follows.
void drawWrapped(QPainter& painter, const QRect& area, const QString& text) {
    const QFontMetrics metrics(painter.font());
    QTextLayout layout(text, painter.font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int y = area.top();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(area.width());
        const bool nextFits = y + 2 * metrics.height() <= area.bottom() + 1;
        if (!nextFits) {
            const QString rest = text.mid(line.textStart()).simplified();
            painter.drawText(QRect(area.left(), y, area.width(), metrics.height()),
                             Qt::TextSingleLine,
                             metrics.elidedText(rest, Qt::ElideRight, area.width()));
            break;
        }
        painter.drawText(QRect(area.left(), y, area.width(), metrics.height()), Qt::TextSingleLine,
                         text.mid(line.textStart(), line.textLength()).trimmed());
        y += metrics.height();
    }
    layout.endLayout();
}

} // namespace

NotificationWindow::NotificationWindow(int right, int bottom, const QString& title,
                                       const QString& sender, const QString& subject, Layout layout)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setObjectName(QStringLiteral("notificationWindow"));
    setGeometry(right - kWidth, bottom - kHeight, kWidth, kHeight);
    setFixedSize(kWidth, kHeight);
    m_picture = draw(title, sender, subject, devicePixelRatioF(), layout);
    setAlpha(0);
    show();
}

void NotificationWindow::step(float seconds) {
    if (m_elapsed >= kLifetime)
        return;
    const float delta = m_lastTime ? seconds - *m_lastTime : 0.0f;
    m_lastTime = seconds;
    m_elapsed += delta;
    float opacity = 1.0f;
    if (m_elapsed >= kLifetime)
        opacity = 0.0f;
    else if (m_elapsed < kFadeIn)
        opacity = std::max(m_elapsed, 0.0f);
    else if (m_elapsed > kFadeOutStart)
        opacity = std::clamp(1.0f - (m_elapsed - kFadeOutStart), 0.0f, 1.0f);
    setAlpha(static_cast<int>(opacity * 255.0f));
    // Opacity does nothing without a compositor: a finished pop-up must also go away.
    if (m_elapsed >= kLifetime)
        hide();
}

void NotificationWindow::dismiss() {
    setAlpha(0);
    m_elapsed = kDismissedAt;
}

void NotificationWindow::setAlpha(int alpha) {
    if (alpha == m_alpha)
        return;
    m_alpha = alpha;
    setWindowOpacity(alpha / 255.0);
}

void NotificationWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
}

void NotificationWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        Q_EMIT clicked();
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
        dismiss();
}

QPixmap NotificationWindow::draw(const QString& title, const QString& sender,
                                 const QString& subject, qreal devicePixelRatio, Layout layout) {
    QPixmap picture(QSize(kWidth, kHeight) * devicePixelRatio);
    picture.setDevicePixelRatio(devicePixelRatio);
    QPainter painter(&picture);
    painter.setPen(QColor(170, 170, 247));
    painter.setBrush(QColor(159, 207, 247));
    painter.drawRect(0, 0, kWidth - 1, kHeight - 1);
    painter.setPen(QColor(221, 221, 240));
    painter.setBrush(QColor(221, 221, 240));
    painter.drawRect(edges(1, 1, 239, 20).adjusted(0, 0, -1, -1));

    painter.setPen(Qt::black);
    const QRect titleArea = edges(1, 1, 239, 20);
    painter.setFont(popupFont(true));
    painter.drawText(
        titleArea, Qt::AlignCenter | Qt::TextSingleLine,
        painter.fontMetrics().elidedText(title.simplified(), Qt::ElideRight, titleArea.width()));

    if (layout == Layout::Notice) {
        painter.setFont(popupFont(false));
        drawWrapped(painter, edges(6, 26, 234, 84), subject.simplified());
        return picture;
    }
    const QRect from = drawLabel(painter, 6, 26, QStringLiteral("From:"));
    painter.setFont(popupFont(false));
    const QRect senderArea = edges(from.right() + 1 + 5, 26, 234, from.bottom() + 1);
    painter.drawText(
        senderArea, Qt::TextSingleLine,
        painter.fontMetrics().elidedText(sender.simplified(), Qt::ElideRight, senderArea.width()));

    const QRect subjectLabel =
        drawLabel(painter, 6, from.bottom() + 1 + 5, QStringLiteral("Subject:"));
    painter.setFont(popupFont(false));
    drawWrapped(painter, edges(subjectLabel.right() + 1 + 5, subjectLabel.top(), 234, 84),
                subject.simplified());
    return picture;
}
