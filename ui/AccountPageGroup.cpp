#include "ui/AccountPageGroup.h"

#include "ui/DialogUnits.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

QGridLayout* makeAccountPageGroup(QWidget* page, const QString& title) {
    auto* group = new QGroupBox(title, page);
    group->setMinimumWidth(dialogUnitsToPixelsX(page, 266));
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins({});
    pageLayout->addWidget(group);

    // The controls start 11 units inside the group's left edge and end 9 inside its right.
    auto* grid = new QGridLayout(group);
    const QMargins margins = grid->contentsMargins();
    grid->setContentsMargins(dialogUnitsToPixelsX(page, 11), margins.top(),
                             dialogUnitsToPixelsX(page, 9), margins.bottom());
    grid->setHorizontalSpacing(0);
    return grid;
}

QLineEdit* makeAccountPageEdit(QWidget* group, const char* objectName, const QString& text,
                               int widthUnits) {
    auto* field = new QLineEdit(text, group);
    field->setObjectName(QString::fromLatin1(objectName));
    field->setFixedWidth(dialogUnitsToPixelsX(group, widthUnits));
    return field;
}
