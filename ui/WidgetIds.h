#pragma once

class QObject;

/// Marks a widget with the control id of its dialog template (property "controlId") and a
/// readable object name, so tests and the desktop run find it the way a person would name it.
void setControlId(QObject* widget, int controlId, const char* objectName);
/// The control id given with setControlId; 0 for none.
int controlIdOf(const QObject* widget);
