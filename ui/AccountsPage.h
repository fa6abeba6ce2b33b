#pragma once

#include <QWidget>

#include <string>

class LogicCore;
class PagesObserver;

/// The "Accounts" tab: the accounts with their status, and where they are added, edited and
/// removed.
class AccountsPage : public QWidget {
    Q_OBJECT
public:
    AccountsPage(LogicCore& core, QWidget* parent);

    /// Not owned; told when an account's messages were cleared here.
    void setObserver(PagesObserver* observer) { m_observer = observer; }
    /// Rebuilds every row from the model.
    void refreshAccounts();
    /// Rewrites the status of one account's row (called while a check runs).
    void refreshAccountRow(const std::string& emailAddress);
    /// The "Add..." button: runs the account wizard and adds what it made.
    void addAccountWithWizard();

private:
    LogicCore& m_core;
    PagesObserver* m_observer = nullptr;
};
