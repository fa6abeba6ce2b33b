#include "ui/ReportTable.h"

#include "ui/DialogUnits.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <algorithm>

namespace {

// A cell's tooltip is its own, or else its whole text where the cell shows it cut short.
class WholeTextDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event->type() != QEvent::ToolTip || index.data(Qt::ToolTipRole).isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        const QStyle* style = view->style();
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, &cell, view) + 1;
        const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &cell, view);
        if (cell.fontMetrics.horizontalAdvance(cell.text) + 2 * margin > textRect.width()) {
            QToolTip::showText(event->globalPos(), cell.text, view->viewport(),
                               view->visualRect(index));
        } else {
            QToolTip::hideText();
        }
        return true;
    }
};

} // namespace

ReportTable::ReportTable(QAbstractItemModel* model, const QList<Column>& columns,
                         QAbstractItemView::SelectionMode selection, QWidget* parent)
    : QTableView(parent), m_columns(columns) {
    setModel(model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(selection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setShowGrid(true);
    setWordWrap(false);
    setItemDelegate(new WholeTextDelegate(this));
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    QHeaderView* header = horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    m_scale = std::max(1.0, dialogUnitsToPixelsX(this, 400) / 600.0);
    for (int column = 0; column < columns.size(); ++column)
        setColumnWidth(column, qRound(columns[column].minimum * m_scale));
    // A column dragged wider or narrower takes its width from the filling one.
    connect(header, &QHeaderView::sectionResized, this, [this](int column) {
        if (column < m_columns.size() && !m_columns[column].fills)
            fitFillingColumn();
    });
}

void ReportTable::setEmptyText(const QString& text) {
    m_emptyText = text;
    viewport()->update();
}

void ReportTable::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Delete:
        Q_EMIT deletePressed();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Q_EMIT enterPressed();
        return;
    default:
        QTableView::keyPressEvent(event);
    }
}

void ReportTable::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    if (model()->rowCount() > 0 || m_emptyText.isEmpty())
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    painter.drawText(viewport()->rect(), Qt::AlignCenter | Qt::TextWordWrap, m_emptyText);
}

bool ReportTable::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Resize)
        layOutColumns();
    return QTableView::viewportEvent(event);
}

void ReportTable::layOutColumns() {
    const int width = viewport()->width();
    for (int column = 0; column < m_columns.size(); ++column) {
        const Column& wanted = m_columns[column];
        if (!wanted.fills && wanted.share > 0)
            setColumnWidth(
                column, std::max(qRound(wanted.minimum * m_scale), qRound(wanted.share * width)));
    }
    fitFillingColumn();
}

void ReportTable::fitFillingColumn() {
    int others = 0;
    int filling = -1;
    for (int column = 0; column < m_columns.size(); ++column) {
        if (m_columns[column].fills)
            filling = column;
        else
            others += columnWidth(column);
    }
    // Below its own minimum the list scrolls sideways instead.
    if (filling >= 0)
        setColumnWidth(filling, std::max(qRound(m_columns[filling].minimum * m_scale),
                                         viewport()->width() - others));
}
