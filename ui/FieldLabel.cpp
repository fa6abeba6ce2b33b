#include "ui/FieldLabel.h"

#include <QLabel>

QLabel* fieldLabel(const QString& text, QWidget* field) {
    auto* label = new QLabel(text, field->parentWidget());
    label->setBuddy(field);
    return label;
}
