#include "ui/MessageListModel.h"

#include "logic/Mail.h"
#include "ui/QtText.h"

#include <QDateTime>

#include <algorithm>
#include <unordered_map>

namespace {

// Day first, in local time. A message whose Received line gave no date (or one that 32-bit
// seconds cannot hold) has no moment worth showing.
QString dateText(const MailDate& date) {
    const std::int64_t instant = date.instant();
    if (date.time <= 0 || instant <= 0)
        return {};
    return QDateTime::fromSecsSinceEpoch(instant).toString(QStringLiteral("dd.MM.yyyy HH:mm"));
}

// Sorts the records by their key in the column, newest first where the keys are equal and in
// their old order where the dates are too. The keys are gathered first, so that the sort reads
// no record, only the texts the keys point into.
template <typename KeyOf>
void reorder(Logic::Account::MailList& mails, KeyOf keyOf, bool ascending) {
    struct Entry {
        decltype(keyOf(*mails.front())) key;
        std::int64_t instant;
        std::size_t row;
    };
    std::vector<Entry> entries;
    entries.reserve(mails.size());
    for (std::size_t row = 0; row < mails.size(); ++row)
        entries.push_back({keyOf(*mails[row]), mails[row]->received().instant(), row});
    std::sort(entries.begin(), entries.end(), [ascending](const Entry& a, const Entry& b) {
        if (const auto order = a.key <=> b.key; order != 0)
            return ascending ? order < 0 : order > 0;
        if (a.instant != b.instant)
            return a.instant > b.instant;
        return a.row < b.row;
    });
    Logic::Account::MailList sorted;
    sorted.reserve(mails.size());
    for (const Entry& entry : entries)
        sorted.push_back(std::move(mails[entry.row]));
    mails = std::move(sorted);
}

} // namespace

MessageListModel::MessageListModel(QObject* parent) : QAbstractTableModel(parent) {}

void MessageListModel::setMails(Logic::Account::MailList mails) {
    beginResetModel();
    m_mails = std::move(mails);
    applyOrder();
    endResetModel();
}

const std::shared_ptr<Logic::Mail>& MessageListModel::mailAt(int row) const {
    return m_mails.at(static_cast<std::size_t>(row));
}

int MessageListModel::rowOf(const Logic::Mail& mail) const {
    const auto found = std::find_if(m_mails.begin(), m_mails.end(),
                                    [&](const auto& listed) { return listed.get() == &mail; });
    return found == m_mails.end() ? -1 : static_cast<int>(found - m_mails.begin());
}

void MessageListModel::removeRowOf(const Logic::Mail& mail) {
    const int row = rowOf(mail);
    if (row < 0)
        return;
    beginRemoveRows({}, row, row);
    m_mails.erase(m_mails.begin() + row);
    endRemoveRows();
}

int MessageListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_mails.size());
}

int MessageListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant MessageListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || role != Qt::DisplayRole)
        return {};
    const Logic::Mail& mail = *mailAt(index.row());
    switch (index.column()) {
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

QVariant MessageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case kAccount:
        return QStringLiteral("Account");
    case kFrom:
        return QStringLiteral("From");
    case kSubject:
        return QStringLiteral("Subject");
    case kDate:
        return QStringLiteral("Date");
    default:
        return {};
    }
}

void MessageListModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= kColumnCount)
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Where each record stands now, so that the persistent indexes (the selection, the current
    // row) move with their messages.
    const QModelIndexList before = persistentIndexList();
    std::vector<const Logic::Mail*> held;
    held.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before)
        held.push_back(mailAt(index.row()).get());
    m_sortColumn = column;
    m_order = order;
    applyOrder();
    std::unordered_map<const Logic::Mail*, int> rows;
    if (!held.empty()) {
        rows.reserve(m_mails.size());
        for (std::size_t row = 0; row < m_mails.size(); ++row)
            rows.emplace(m_mails[row].get(), static_cast<int>(row));
    }
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after.append(index(rows.at(held[static_cast<std::size_t>(i)]), before[i].column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void MessageListModel::applyOrder() {
    if (m_mails.empty())
        return;
    const bool ascending = m_order == Qt::AscendingOrder;
    switch (m_sortColumn) {
    case kAccount:
        reorder(
            m_mails, [](const Logic::Mail& mail) { return std::string_view(mail.accountEmail()); },
            ascending);
        break;
    case kFrom:
        reorder(
            m_mails, [](const Logic::Mail& mail) { return std::u16string_view(mail.sender()); },
            ascending);
        break;
    case kSubject:
        reorder(
            m_mails, [](const Logic::Mail& mail) { return std::u16string_view(mail.subject()); },
            ascending);
        break;
    default:
        reorder(
            m_mails, [](const Logic::Mail& mail) { return mail.received().instant(); }, ascending);
    }
}
