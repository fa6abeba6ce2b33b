#include "ui/AccountListModel.h"

#include "ui/QtText.h"

#include <algorithm>

namespace {

QString statusText(const AccountView& account) {
    switch (account.status) {
    case Logic::AccountStatus::Failed:
        if (account.failureReason.empty())
            return QStringLiteral("Failed...");
        return QStringLiteral("Failed: ") + toQString(account.failureReason);
    case Logic::AccountStatus::Pending:
        return QStringLiteral("Pending...");
    case Logic::AccountStatus::Processing:
        return QStringLiteral("Processing...");
    case Logic::AccountStatus::Idle:
        break;
    }
    if (account.unread == 0)
        return QStringLiteral("No unread messages");
    if (account.unread == 1)
        return QStringLiteral("1 unread message");
    return QStringLiteral("%1 unread messages").arg(account.unread);
}

} // namespace

AccountListModel::AccountListModel(QObject* parent) : QAbstractTableModel(parent) {}

void AccountListModel::setAccounts(std::vector<AccountView> accounts) {
    beginResetModel();
    m_accounts = std::move(accounts);
    endResetModel();
}

bool AccountListModel::updateAccount(const AccountView& account) {
    const int row = rowOf(account.emailAddress);
    if (row < 0)
        return false;
    m_accounts[static_cast<std::size_t>(row)] = account;
    Q_EMIT dataChanged(index(row, kAddress), index(row, kStatus));
    return true;
}

const std::string& AccountListModel::addressAt(int row) const {
    return m_accounts.at(static_cast<std::size_t>(row)).emailAddress;
}

int AccountListModel::rowOf(const std::string& emailAddress) const {
    const auto found =
        std::find_if(m_accounts.begin(), m_accounts.end(), [&](const AccountView& account) {
            return account.emailAddress == emailAddress;
        });
    return found == m_accounts.end() ? -1 : static_cast<int>(found - m_accounts.begin());
}

int AccountListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_accounts.size());
}

int AccountListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant AccountListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const AccountView& account = m_accounts[static_cast<std::size_t>(index.row())];
    if (index.column() == kAddress)
        return role == Qt::DisplayRole ? toQString(account.emailAddress) : QVariant();
    // A reason is often longer than the column: the whole of it on hover.
    if (role == Qt::DisplayRole ||
        (role == Qt::ToolTipRole && account.status == Logic::AccountStatus::Failed))
        return statusText(account);
    return {};
}

QVariant AccountListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (section == kAddress)
        return QStringLiteral("E-Mail Address");
    return section == kStatus ? QStringLiteral("Status") : QVariant();
}
