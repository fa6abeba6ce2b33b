#include "ui/ReportList.h"

#include "ui/DialogUnits.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace ReportList {

QTableWidget* create(QWidget* page, const QList<Column>& columns,
                     QAbstractItemView::SelectionMode selection) {
    auto* list = new QTableWidget(0, static_cast<int>(columns.size()), page);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(selection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setShowGrid(true);
    list->setWordWrap(false);
    list->verticalHeader()->hide();
    list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 6);
    QHeaderView* header = list->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    // The widths were chosen for a font whose average character is 6 pixels wide; they grow
    // with a larger font, so a date or an address still fits its column.
    const double scale = std::max(1.0, dialogUnitsToPixelsX(page, 400) / 600.0);
    for (int column = 0; column < columns.size(); ++column) {
        list->setHorizontalHeaderItem(column, new QTableWidgetItem(columns[column].title));
        list->setColumnWidth(column, qRound(columns[column].width * scale));
        if (columns[column].fills)
            header->setSectionResizeMode(column, QHeaderView::Stretch);
    }
    return list;
}

void layOut(QWidget* page, QTableWidget* list, const QList<QPushButton*>& buttons) {
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
