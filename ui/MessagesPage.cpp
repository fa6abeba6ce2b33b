#include "ui/MessagesPage.h"

#include "core/ModelReader.h"
#include "core/UserActions.h"
#include "logic/Mail.h"
#include "ui/DialogUnits.h"
#include "ui/MessageListModel.h"
#include "ui/ModelEvents.h"
#include "ui/ReadMailActions.h"
#include "ui/ReportList.h"
#include "ui/ReportTable.h"

#include <QHeaderView>
#include <QItemSelection>
#include <QPushButton>

#include <unordered_set>

MessagesPage::MessagesPage(LogicCore& core, ModelEvents& events, QWidget* parent)
    : QWidget(parent), m_core(core), m_model(new MessageListModel(this)) {
    // The subject matters most: it takes what the others leave. The account, often the same in
    // every row, gets the least.
    m_list = new ReportTable(m_model, {{70, 0.2}, {90, 0.27}, {110, 0, true}, {100}},
                             QAbstractItemView::ExtendedSelection, this);
    m_list->setObjectName(QStringLiteral("messageList"));
    m_list->setEmptyText(QStringLiteral("No unread messages"));
    m_markAllRead =
        ReportList::createButton(this, QStringLiteral("Mark &All As Read"), "markAllAsRead");
    m_markRead = ReportList::createButton(this, QStringLiteral("&Mark As Read"), "markAsRead");
    ReportList::layOut(this, m_list, {m_markAllRead, m_markRead});

    m_list->horizontalHeader()->setSortIndicatorShown(true);
    connect(m_list->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &MessagesPage::sortByColumn);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MessagesPage::updateButtons);
    connect(m_model, &QAbstractItemModel::modelReset, this, &MessagesPage::updateButtons);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &MessagesPage::updateButtons);
    connect(m_list, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { readMailOfRow(index.row()); });
    connect(m_list, &ReportTable::enterPressed, this, [this] {
        if (m_list->currentIndex().isValid())
            readMailOfRow(m_list->currentIndex().row());
    });
    connect(m_list, &ReportTable::deletePressed, this, &MessagesPage::markSelectedRead);
    connect(m_markAllRead, &QPushButton::clicked, this, &MessagesPage::markAllRead);
    connect(m_markRead, &QPushButton::clicked, this, &MessagesPage::markSelectedRead);
    // While the page is hidden a change only marks the list stale: it is rebuilt when shown.
    connect(&events, &ModelEvents::unreadChanged, this, &MessagesPage::refreshWhenShown);
    connect(&events, &ModelEvents::accountRemoved, this, &MessagesPage::refreshWhenShown);
    m_list->horizontalHeader()->setSortIndicator(m_model->sortColumn(), m_model->sortOrder());
    updateButtons();
}

QSize MessagesPage::sizeHint() const {
    return dialogUnitsToPixels(this, 288, 112);
}

void MessagesPage::refresh() {
    m_stale = false;
    // A check that ends while the user has picked some messages must not drop the choice.
    std::unordered_set<const Logic::Mail*> selected;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows())
        selected.insert(m_model->mailAt(index.row()).get());
    m_model->setMails(ModelReader(m_core).unreadMails());
    if (selected.empty())
        return;
    QItemSelection rows;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (selected.count(m_model->mailAt(row).get()) != 0)
            rows.select(m_model->index(row, 0), m_model->index(row, MessageListModel::kDate));
    }
    m_list->selectionModel()->select(rows, QItemSelectionModel::Select);
}

void MessagesPage::refreshWhenShown() {
    if (isVisible())
        refresh();
    else
        m_stale = true;
}

void MessagesPage::showEvent(QShowEvent* event) {
    if (m_stale)
        refresh();
    QWidget::showEvent(event);
}

void MessagesPage::markAllRead() {
    UserActions(m_core).markAllRead();
}

void MessagesPage::select(const Logic::Mail& mail) {
    if (m_stale)
        refresh();
    const int row = m_model->rowOf(mail);
    if (row < 0)
        return;
    m_list->selectRow(row);
    m_list->scrollTo(m_model->index(row, MessageListModel::kSubject));
}

void MessagesPage::sortByColumn(int column) {
    const bool ascending =
        column != m_model->sortColumn() || m_model->sortOrder() == Qt::DescendingOrder;
    applySort(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void MessagesPage::applySort(int column, Qt::SortOrder order) {
    m_model->sort(column, order);
    m_list->horizontalHeader()->setSortIndicator(column, order);
}

void MessagesPage::markSelectedRead() {
    std::vector<const Logic::Mail*> mails;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows())
        mails.push_back(m_model->mailAt(index.row()).get());
    if (!mails.empty())
        UserActions(m_core).markRead(mails);
}

void MessagesPage::readMailOfRow(int row) {
    const std::shared_ptr<const Logic::Mail> mail = m_model->mailAt(row);
    const ModelReader view(m_core);
    const std::optional<std::string> account = view.accountOfMail(*mail);
    if (!account) {
        // Read meanwhile (on another page or in the tray menu): the row is stale.
        m_model->removeRowOf(*mail);
        return;
    }
    const auto settings = view.accountSettings(*account);
    if (!settings || !runReadMailAction(this, settings->preferences))
        return;
    UserActions(m_core).clearAccountMails(*account);
}

void MessagesPage::updateButtons() {
    m_markAllRead->setEnabled(m_model->rowCount() > 0);
    m_markRead->setEnabled(m_list->selectionModel()->hasSelection());
}
