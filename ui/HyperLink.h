#pragma once

#include <QString>
#include <QWidget>

/// A link drawn as underlined text in the palette's link colour, centred in the control, that
/// opens its address with the desktop's default handler. Only the text itself is the link: the
/// hand cursor, the tooltip with the address and the mouse clicks all count only over it. It
/// takes the keyboard focus with Tab (drawn as a focus frame) and opens on Enter or Space. After
/// a successful open it shows the visited colour for the rest of the run.
class HyperLink : public QWidget {
    Q_OBJECT
public:
    HyperLink(const QString& label, const QString& address, QWidget* parent);

    const QString& address() const { return m_address; }
    void setAddress(const QString& address);
    const QString& label() const { return m_label; }
    void setLabel(const QString& label);
    bool isVisited() const { return m_visited; }
    /// Where the text is drawn: the part of the control that is the link.
    QRect labelRect() const;

    /// Opens the address; a failure leaves the link as it was and says so with `openFailed`.
    void open();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    /// The desktop could not open the address.
    void openFailed();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QFont linkFont() const;
    static constexpr int kTextFlags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;

    QString m_label;
    QString m_address;
    bool m_visited = false;
    /// The button went down on the text; only then does its release there open the link.
    bool m_pressed = false;
};
