#pragma once

class QGridLayout;
class QLineEdit;
class QString;
class QWidget;

/// The frame both account pages have: one group box across the page, from 7 to 273 dialog
/// units, with a grid for the controls. The grid has no spacing between columns: the page
/// gives its columns the widths that put each control at its place in dialog units. The group
/// box is the grid's parent widget.
QGridLayout* makeAccountPageGroup(QWidget* page, const QString& title);

/// A line edit of an account page: its object name, its text, and its width in dialog units.
QLineEdit* makeAccountPageEdit(QWidget* group, const char* objectName, const QString& text,
                               int widthUnits);
