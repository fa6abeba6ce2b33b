#include "ui/HyperLink.h"

#include "platform/DesktopLaunch.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QToolTip>

namespace {

// Room for the focus frame around the text.
constexpr int kFrame = 2;

// What a screen reader meets: a link, named by its text, that opens with its one action.
class HyperLinkAccessible : public QAccessibleWidget {
public:
    explicit HyperLinkAccessible(HyperLink* link) : QAccessibleWidget(link, QAccessible::Link) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.linked = true;
        state.traversed = static_cast<const HyperLink*>(widget())->isVisited();
        return state;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction())
            static_cast<HyperLink*>(widget())->open();
    }
};

QAccessibleInterface* accessibleLink(const QString& className, QObject* object) {
    if (className == QLatin1String("HyperLink") && object->isWidgetType())
        return new HyperLinkAccessible(static_cast<HyperLink*>(object));
    return nullptr;
}

} // namespace

HyperLink::HyperLink(const QString& label, const QString& address, QWidget* parent)
    : QWidget(parent), m_label(label), m_address(address) {
    static const bool installed = (QAccessible::installFactory(accessibleLink), true);
    Q_UNUSED(installed);
    setFocusPolicy(Qt::TabFocus);
    setMouseTracking(true);
    // Screen readers and the desktop tests find it by its text, and learn where it leads.
    setAccessibleName(m_label);
    setAccessibleDescription(m_address);
}

void HyperLink::setAddress(const QString& address) {
    m_address = address;
    setAccessibleDescription(m_address);
}

void HyperLink::setLabel(const QString& label) {
    m_label = label;
    setAccessibleName(m_label);
    updateGeometry();
    update();
}

QFont HyperLink::linkFont() const {
    QFont underlined = font();
    underlined.setUnderline(true);
    return underlined;
}

QRect HyperLink::labelRect() const {
    const QRect area = rect().adjusted(kFrame, kFrame, -kFrame, -kFrame);
    return QFontMetrics(linkFont()).boundingRect(area, kTextFlags, m_label);
}

QSize HyperLink::sizeHint() const {
    const QSize text = QFontMetrics(linkFont()).size(0, m_label);
    return text + QSize(2 * kFrame, 2 * kFrame);
}

QSize HyperLink::minimumSizeHint() const {
    return sizeHint();
}

void HyperLink::open() {
    if (!Platform::openWithDefaultHandler(m_address.toStdString())) {
        Q_EMIT openFailed();
        return;
    }
    m_visited = true;
    update();
}

bool HyperLink::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (labelRect().contains(help->pos()))
            QToolTip::showText(help->globalPos(), m_address, this, labelRect());
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void HyperLink::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QColor colour = palette().color(QPalette::Link);
    if (!isEnabled())
        colour = palette().color(QPalette::Disabled, QPalette::WindowText);
    else if (m_visited)
        colour = palette().color(QPalette::LinkVisited);
    const QRect text = labelRect();
    if (hasFocus()) {
        // Under the text: a style may fill the frame.
        QStyleOptionFocusRect frame;
        frame.initFrom(this);
        // Drawn whenever the link has the focus, however it got it.
        frame.state |= QStyle::State_KeyboardFocusChange;
        frame.rect = text.adjusted(-kFrame, -kFrame, kFrame, kFrame);
        frame.backgroundColor = palette().color(backgroundRole());
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, this);
    }
    painter.setPen(colour);
    painter.setFont(linkFont());
    painter.drawText(text, kTextFlags, m_label);
}

void HyperLink::mouseMoveEvent(QMouseEvent* event) {
    if (labelRect().contains(event->position().toPoint()))
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
    QWidget::mouseMoveEvent(event);
}

void HyperLink::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && labelRect().contains(event->position().toPoint())) {
        m_pressed = true;
        setFocus(Qt::MouseFocusReason);
    }
    QWidget::mousePressEvent(event);
}

void HyperLink::mouseReleaseEvent(QMouseEvent* event) {
    const bool pressed = std::exchange(m_pressed, false);
    if (event->button() == Qt::LeftButton && pressed &&
        labelRect().contains(event->position().toPoint()))
        open();
    QWidget::mouseReleaseEvent(event);
}

void HyperLink::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        open();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void HyperLink::focusInEvent(QFocusEvent* event) {
    update();
    QWidget::focusInEvent(event);
}

void HyperLink::focusOutEvent(QFocusEvent* event) {
    update();
    QWidget::focusOutEvent(event);
}

void HyperLink::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange)
        updateGeometry();
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange)
        update();
    QWidget::changeEvent(event);
}
