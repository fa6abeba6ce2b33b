#pragma once

#include <QList>
#include <QString>
#include <QTableView>

/// The list of the list pages, a view of the page's model: whole-row items with grid lines, nothing
/// edited in place and nothing sorted by itself. Its columns share the width: each has a minimum,
/// some a share of the list's width, and one takes what the others leave, so the columns always fit
/// the list while there is room (no row hides behind a horizontal scroll bar). A cell too narrow
/// for its text shows the whole text as its tooltip; an empty list says so in its middle. Tab
/// leaves the list for the next control; Delete and Enter are the page's to use.
class ReportTable : public QTableView {
    Q_OBJECT
public:
    /// How a column of the model takes its width; its title is the model's.
    struct Column {
        /// In pixels of a font with 6-pixel average characters; it grows with a larger font.
        int minimum;
        /// The part of the list's width the column takes when that is more than its minimum;
        /// 0 keeps it at its minimum.
        double share = 0;
        /// Takes whatever width the others leave (one column at most).
        bool fills = false;
    };

    ReportTable(QAbstractItemModel* model, const QList<Column>& columns,
                QAbstractItemView::SelectionMode selection, QWidget* parent);

    /// What the list says while it has no rows.
    void setEmptyText(const QString& text);

Q_SIGNALS:
    /// Delete was pressed in the list.
    void deletePressed();
    /// Enter (or Return) was pressed in the list.
    void enterPressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void layOutColumns();
    void fitFillingColumn();

    QList<Column> m_columns;
    /// A larger font than the one the minimums were chosen for widens them.
    double m_scale = 1;
    QString m_emptyText;
};
