#include "ui/DialogUnits.h"

#include <QFontMetrics>
#include <QString>
#include <QWidget>

namespace {

// The average width of the Latin letters, as dialog templates measure it.
double averageCharWidth(const QFontMetrics& metrics) {
    static const QString kLetters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return metrics.horizontalAdvance(kLetters) / double(kLetters.size());
}

} // namespace

int dialogUnitsToPixelsX(const QWidget* widget, int x) {
    return qRound(x * averageCharWidth(widget->fontMetrics()) / 4.0);
}

int dialogUnitsToPixelsY(const QWidget* widget, int y) {
    return qRound(y * widget->fontMetrics().height() / 8.0);
}

QSize dialogUnitsToPixels(const QWidget* widget, int x, int y) {
    return {dialogUnitsToPixelsX(widget, x), dialogUnitsToPixelsY(widget, y)};
}
