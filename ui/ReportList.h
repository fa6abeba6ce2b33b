#pragma once

#include <QList>
#include <QString>

class QPushButton;
class QTableView;
class QWidget;

/// The list pages' shared shape: a report list (a ReportTable) filling the page, with its
/// buttons in a row at the bottom right.
namespace ReportList {

/// Lays out the page: the list keeps its distance to all four edges and grows with the page;
/// the buttons keep theirs to the bottom-right corner.
void layOut(QWidget* page, QTableView* list, const QList<QPushButton*>& buttons);

/// A push button of the pages' size, 60 × 14 dialog units, wider when its text needs it.
QPushButton* createButton(QWidget* page, const QString& text, const char* objectName);

} // namespace ReportList
