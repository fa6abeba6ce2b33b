#include "ui/MessagesPage.h"

#include "core/ModelReader.h"
#include "core/UserActions.h"
#include "logic/Mail.h"
#include "ui/DialogUnits.h"
#include "ui/ModelEvents.h"
#include "ui/QtText.h"
#include "ui/ReadMailActions.h"
#include "ui/ReportList.h"
#include "ui/ReportTable.h"

#include <QDateTime>
#include <QHeaderView>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>

#include <algorithm>

namespace {

enum Column { kAccount, kFrom, kSubject, kDate };

// Day first, in local time. A message whose Received line gave no date (or one that 32-bit
// seconds cannot hold) has no moment worth showing.
QString dateText(const MailDate& date) {
    const std::int64_t instant = date.instant();
    if (date.time <= 0 || instant <= 0)
        return {};
    return QDateTime::fromSecsSinceEpoch(instant).toString(QStringLiteral("dd.MM.yyyy HH:mm"));
}

QString cellText(const Logic::Mail& mail, int column) {
    switch (column) {
    case kAccount:
        return toQString(mail.accountEmail());
    case kFrom:
        return toQString(mail.sender());
    case kSubject:
        return toQString(mail.subject());
    default:
        return dateText(mail.received());
    }
}

// One cell; it keeps its message, so rows sort by the message's own values (the address by
// its bytes, sender and subject by their UTF-16 units, the date by its instant) and every
// action finds the very record it shows.
class MessageItem : public QTableWidgetItem {
public:
    MessageItem(std::shared_ptr<const Logic::Mail> mail, int column)
        : QTableWidgetItem(cellText(*mail, column), UserType), m_mail(std::move(mail)),
          m_column(column) {}

    const std::shared_ptr<const Logic::Mail>& mail() const { return m_mail; }

    bool operator<(const QTableWidgetItem& other) const override {
        const Logic::Mail& mine = *m_mail;
        const Logic::Mail& theirs = *static_cast<const MessageItem&>(other).m_mail;
        switch (m_column) {
        case kAccount:
            return mine.accountEmail() < theirs.accountEmail();
        case kFrom:
            return mine.sender() < theirs.sender();
        case kSubject:
            return mine.subject() < theirs.subject();
        default:
            return mine.received().instant() < theirs.received().instant();
        }
    }

private:
    std::shared_ptr<const Logic::Mail> m_mail;
    int m_column;
};

} // namespace

MessagesPage::MessagesPage(LogicCore& core, ModelEvents& events, QWidget* parent)
    : QWidget(parent), m_core(core), m_sortColumn(kDate) {
    // The subject matters most: it takes what the others leave. The account, often the same in
    // every row, gets the least.
    m_list = new ReportTable({{QStringLiteral("Account"), 70, 0.2},
                              {QStringLiteral("From"), 90, 0.27},
                              {QStringLiteral("Subject"), 110, 0, true},
                              {QStringLiteral("Date"), 100}},
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
    connect(m_list, &QTableWidget::itemSelectionChanged, this, &MessagesPage::updateButtons);
    connect(m_list, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { readMailOfRow(row); });
    connect(m_list, &ReportTable::enterPressed, this, [this] {
        if (m_list->currentRow() >= 0)
            readMailOfRow(m_list->currentRow());
    });
    connect(m_list, &ReportTable::deletePressed, this, &MessagesPage::markSelectedRead);
    connect(m_markAllRead, &QPushButton::clicked, this, &MessagesPage::markAllRead);
    connect(m_markRead, &QPushButton::clicked, this, &MessagesPage::markSelectedRead);
    connect(&events, &ModelEvents::unreadChanged, this, &MessagesPage::refresh);
    connect(&events, &ModelEvents::accountRemoved, this, &MessagesPage::refresh);
    refresh();
}

QSize MessagesPage::sizeHint() const {
    return dialogUnitsToPixels(this, 288, 112);
}

void MessagesPage::refresh() {
    // A check that ends while the user has picked some messages must not drop the choice.
    QSet<const Logic::Mail*> selected;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows())
        selected.insert(mailAt(index.row()).get());

    Logic::Account::MailList mails = ModelReader(m_core).unreadMails();
    std::stable_sort(mails.begin(), mails.end(), [](const auto& a, const auto& b) {
        return a->received().instant() > b->received().instant();
    });
    m_list->clearContents();
    m_list->setRowCount(static_cast<int>(mails.size()));
    for (int row = 0; row < m_list->rowCount(); ++row) {
        for (int column = kAccount; column <= kDate; ++column)
            m_list->setItem(row, column, new MessageItem(mails[row], column));
    }
    applySort();
    for (int row = 0; row < m_list->rowCount(); ++row) {
        if (selected.contains(mailAt(row).get()))
            m_list->selectionModel()->select(m_list->model()->index(row, 0),
                                             QItemSelectionModel::Select |
                                                 QItemSelectionModel::Rows);
    }
    updateButtons();
}

void MessagesPage::markAllRead() {
    UserActions(m_core).markAllRead();
}

void MessagesPage::select(const Logic::Mail& mail) {
    for (int row = 0; row < m_list->rowCount(); ++row) {
        if (mailAt(row).get() == &mail) {
            m_list->selectRow(row);
            m_list->scrollToItem(m_list->item(row, kSubject));
            return;
        }
    }
}

void MessagesPage::sortByColumn(int column) {
    m_ascending = column != m_sortColumn || !m_ascending;
    m_sortColumn = column;
    applySort();
}

void MessagesPage::applySort() {
    const Qt::SortOrder order = m_ascending ? Qt::AscendingOrder : Qt::DescendingOrder;
    m_list->sortItems(m_sortColumn, order);
    m_list->horizontalHeader()->setSortIndicator(m_sortColumn, order);
}

void MessagesPage::markSelectedRead() {
    std::vector<const Logic::Mail*> mails;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows())
        mails.push_back(mailAt(index.row()).get());
    if (!mails.empty())
        UserActions(m_core).markRead(mails);
}

void MessagesPage::readMailOfRow(int row) {
    const std::shared_ptr<const Logic::Mail> mail = mailAt(row);
    const ModelReader view(m_core);
    const std::optional<std::string> account = view.accountOfMail(*mail);
    if (!account) {
        // Read meanwhile (on another page or in the tray menu): the row is stale.
        m_list->removeRow(row);
        updateButtons();
        return;
    }
    const auto settings = view.accountSettings(*account);
    if (!settings || !runReadMailAction(this, settings->preferences))
        return;
    UserActions(m_core).clearAccountMails(*account);
}

void MessagesPage::updateButtons() {
    m_markAllRead->setEnabled(m_list->rowCount() > 0);
    m_markRead->setEnabled(m_list->selectionModel()->hasSelection());
}

std::shared_ptr<const Logic::Mail> MessagesPage::mailAt(int row) const {
    return static_cast<const MessageItem*>(m_list->item(row, kAccount))->mail();
}
