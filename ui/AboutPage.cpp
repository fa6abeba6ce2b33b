#include "ui/AboutPage.h"

#include "foundation/InstallLayout.h"
#include "foundation/Product.h"
#include "ui/DialogUnits.h"
#include "ui/HyperLink.h"
#include "ui/ProgramIcon.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

AboutPage::AboutPage(QWidget* parent) : QWidget(parent) {
    auto* icon = new QLabel(this);
    const QSize iconSize = dialogUnitsToPixels(this, 21, 20).expandedTo(QSize(32, 32));
    const int side = std::min(iconSize.width(), iconSize.height());
    icon->setFixedSize(side, side);
    icon->setPixmap(programIcon().pixmap(icon->size(), devicePixelRatioF()));
    auto* sentence = new QLabel(toQString(Norq::Product::kName) +
                                    QStringLiteral(" automatically checks your mailboxes for new "
                                                   "messages."),
                                this);
    sentence->setWordWrap(true);
    auto* version = new QLabel(toQString(Norq::Product::versionText()), this);
    version->setObjectName(QStringLiteral("version"));
    auto* maker = new QLabel(
        QStringLiteral("Made by ") + toQString(Norq::Product::kMaker) + QStringLiteral("."), this);
    auto* link = new HyperLink(QStringLiteral("User guide"), userGuideAddress(), this);
    link->setObjectName(QStringLiteral("userGuideLink"));
    connect(link, &HyperLink::openFailed, this, [this] {
        Prompts::showError(this, QStringLiteral("Can't open the user guide [%1]!")
                                     .arg(QUrl(userGuideAddress()).toLocalFile()));
    });

    auto* text = new QVBoxLayout;
    text->setSpacing(dialogUnitsToPixelsY(this, 2));
    text->addWidget(sentence);
    text->addSpacing(dialogUnitsToPixelsY(this, 10));
    text->addWidget(version);
    text->addWidget(maker);
    text->addSpacing(dialogUnitsToPixelsY(this, 10));
    text->addWidget(link, 0, Qt::AlignLeft);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(dialogUnitsToPixelsX(this, 12), dialogUnitsToPixelsY(this, 6),
                               dialogUnitsToPixelsX(this, 6), dialogUnitsToPixelsY(this, 6));
    layout->setHorizontalSpacing(dialogUnitsToPixelsX(this, 15));
    layout->addWidget(icon, 0, 0, Qt::AlignTop);
    layout->addLayout(text, 0, 1);
    layout->setColumnMinimumWidth(1, dialogUnitsToPixelsX(this, 156));
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(1, 1);
}

QString AboutPage::userGuideAddress() {
    // Beside the executable in a build, in share/velomar/docs of an installed copy.
    const std::filesystem::path guide =
        Norq::InstallLayout::userGuide(QCoreApplication::applicationDirPath().toStdString());
    return QUrl::fromLocalFile(QString::fromStdString(guide.string())).toString();
}

QSize AboutPage::sizeHint() const {
    return dialogUnitsToPixels(this, 284, 112).expandedTo(minimumSizeHint());
}
