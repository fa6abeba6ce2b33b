#pragma once

#include <QSize>

class QWidget;

/// Sizes from a dialog template, given in dialog units, turned into pixels with the widget's
/// font: a horizontal unit is a quarter of the average character width, a vertical one an
/// eighth of the character height.
QSize dialogUnitsToPixels(const QWidget* widget, int x, int y);
int dialogUnitsToPixelsX(const QWidget* widget, int x);
int dialogUnitsToPixelsY(const QWidget* widget, int y);
