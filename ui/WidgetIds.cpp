#include "ui/WidgetIds.h"

#include <QObject>
#include <QString>
#include <QVariant>

namespace {

constexpr const char* kControlId = "controlId";

} // namespace

void setControlId(QObject* widget, int controlId, const char* objectName) {
    widget->setProperty(kControlId, controlId);
    widget->setObjectName(QString::fromLatin1(objectName));
}

int controlIdOf(const QObject* widget) {
    return widget->property(kControlId).toInt();
}
