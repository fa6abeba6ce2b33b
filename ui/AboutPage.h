#pragma once

#include <QWidget>

/// The "About" tab: what the program is, its version and a link to its user guide.
class AboutPage : public QWidget {
    Q_OBJECT
public:
    explicit AboutPage(QWidget* parent);

    /// The user guide installed next to the executable, as a file URL.
    static QString userGuideAddress();

    QSize sizeHint() const override;
};
