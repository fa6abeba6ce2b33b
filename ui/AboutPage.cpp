#include "ui/AboutPage.h"

#include "foundation/Product.h"
#include "ui/DialogUnits.h"
#include "ui/HyperLink.h"
#include "ui/QtText.h"
#include "ui/WidgetIds.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QUrl>
#include <QVBoxLayout>

AboutPage::AboutPage(QWidget* parent) : QWidget(parent) {
    m_icon = new QLabel(this);
    m_icon->setFixedSize(dialogUnitsToPixels(this, 21, 20).expandedTo(QSize(32, 32)));
    m_icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* sentence = new QLabel(toQString(Norq::Product::kName) +
                                    QStringLiteral(" automatically checks your mailboxes for new "
                                                   "messages."),
                                this);
    sentence->setWordWrap(true);
    auto* version = new QLabel(toQString(Norq::Product::versionText()), this);
    setControlId(version, 1024, "version");
    auto* maker = new QLabel(
        QStringLiteral("Made by ") + toQString(Norq::Product::kMaker) + QStringLiteral("."), this);
    m_link = new HyperLink(QStringLiteral("User guide"), userGuideAddress(), this);
    setControlId(m_link, 1034, "userGuideLink");

    auto* text = new QVBoxLayout;
    text->setSpacing(dialogUnitsToPixelsY(this, 2));
    text->addWidget(sentence);
    text->addSpacing(dialogUnitsToPixelsY(this, 10));
    text->addWidget(version);
    text->addWidget(maker);
    text->addSpacing(dialogUnitsToPixelsY(this, 10));
    text->addWidget(m_link, 0, Qt::AlignLeft);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(dialogUnitsToPixelsX(this, 12), dialogUnitsToPixelsY(this, 6),
                               dialogUnitsToPixelsX(this, 6), dialogUnitsToPixelsY(this, 6));
    layout->setHorizontalSpacing(dialogUnitsToPixelsX(this, 15));
    layout->addWidget(m_icon, 0, 0, Qt::AlignTop);
    layout->addLayout(text, 0, 1);
    layout->setColumnMinimumWidth(1, dialogUnitsToPixelsX(this, 156));
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(1, 1);
    showProgramIcon();
}

QString AboutPage::userGuideAddress() {
    return QUrl::fromLocalFile(QCoreApplication::applicationDirPath() +
                               QStringLiteral("/docs/user-guide.html"))
        .toString();
}

QSize AboutPage::sizeHint() const {
    return dialogUnitsToPixels(this, 284, 112).expandedTo(minimumSizeHint());
}

void AboutPage::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowIconChange)
        showProgramIcon();
    QWidget::changeEvent(event);
}

void AboutPage::showProgramIcon() {
    // The program's icon is the one its window carries.
    m_icon->setPixmap(windowIcon().pixmap(m_icon->size()));
}
