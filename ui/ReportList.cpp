#include "ui/ReportList.h"

#include "ui/DialogUnits.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace ReportList {

void layOut(QWidget* page, QTableView* list, const QList<QPushButton*>& buttons) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(dialogUnitsToPixelsX(page, 6), dialogUnitsToPixelsY(page, 6),
                               dialogUnitsToPixelsX(page, 6), dialogUnitsToPixelsY(page, 4));
    layout->setSpacing(dialogUnitsToPixelsY(page, 3));
    layout->addWidget(list, 1);
    auto* row = new QHBoxLayout;
    row->setSpacing(dialogUnitsToPixelsX(page, 3));
    row->addStretch(1);
    for (QPushButton* button : buttons)
        row->addWidget(button);
    layout->addLayout(row);
}

QPushButton* createButton(QWidget* page, const QString& text, const char* objectName) {
    auto* button = new QPushButton(text, page);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setMinimumSize(dialogUnitsToPixels(page, 60, 14));
    button->setAutoDefault(false);
    return button;
}

} // namespace ReportList
