#pragma once

#include <QString>

class QLabel;
class QWidget;

/// The label in front of a field, beside it in the same parent: a screen reader announces the
/// field by it, and a click on it (or its mnemonic) puts the keyboard in the field.
QLabel* fieldLabel(const QString& text, QWidget* field);
