#pragma once

#include "core/ModelReader.h"

#include <QAbstractTableModel>

#include <string>
#include <vector>

/// The accounts as the Accounts list shows them: an address and a status line each, made from
/// the model's view of the account when the row is painted.
class AccountListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kAddress, kStatus, kColumnCount };

    explicit AccountListModel(QObject* parent = nullptr);

    /// Lists these accounts instead, in their order.
    void setAccounts(std::vector<AccountView> accounts);
    /// Shows the account's new state in its row; false when it is not listed.
    bool updateAccount(const AccountView& account);
    /// The address's own bytes, which need not be valid UTF-8.
    const std::string& addressAt(int row) const;
    /// -1 when the address is not listed.
    int rowOf(const std::string& emailAddress) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    std::vector<AccountView> m_accounts;
};
