#pragma once

#include <QAbstractItemView>
#include <QList>
#include <QString>

class QPushButton;
class QTableWidget;
class QWidget;

/// The list pages' shared shape: a report list filling the page, with its buttons in a row at
/// the bottom right.
namespace ReportList {

struct Column {
    QString title;
    int width; ///< in pixels of a font with 6-pixel average characters
    /// Takes whatever width the list has beyond the other columns, so the columns always fit
    /// the list: no row hides behind a horizontal scroll bar.
    bool fills = false;
};

/// A list of whole-row items with grid lines and fixed column widths, but for the one that
/// fills; nothing is edited in place and nothing sorts itself.
QTableWidget* create(QWidget* page, const QList<Column>& columns,
                     QAbstractItemView::SelectionMode selection);

/// Lays out the page: the list keeps its distance to all four edges and grows with the page;
/// the buttons keep theirs to the bottom-right corner.
void layOut(QWidget* page, QTableWidget* list, const QList<QPushButton*>& buttons);

/// A push button of the pages' size, 60 × 14 dialog units, wider when its text needs it.
QPushButton* createButton(QWidget* page, const QString& text, const char* objectName);

} // namespace ReportList
