#pragma once

#include <QWidget>

#include <string>

class AccountListModel;
class LogicCore;
class ModelEvents;
class QPushButton;
class ReportTable;

/// The "Accounts" tab: the accounts with their status, and where they are added, edited and
/// removed. The rows follow the model's events: a check's progress rewrites an account's
/// status, any other change rebuilds the list.
class AccountsPage : public QWidget {
    Q_OBJECT
public:
    AccountsPage(LogicCore& core, ModelEvents& events, QWidget* parent);

    /// Rebuilds every row from the model.
    void refreshAccounts();
    /// Rewrites the status of one account's row.
    void refreshAccountRow(const std::string& emailAddress);
    /// The "Add..." button: runs the account wizard and adds what it made.
    void addAccountWithWizard();

    QSize sizeHint() const override;

private:
    void editSelectedAccount();
    void removeSelectedAccount();
    /// A double click: the account's read-mail action, then every message of the account read.
    void readMailOfRow(int row);
    void updateButtons();
    /// "" when no row is selected.
    std::string selectedAddress() const;

    LogicCore& m_core;
    AccountListModel* m_model;
    ReportTable* m_list;
    QPushButton* m_edit;
    QPushButton* m_remove;
};
