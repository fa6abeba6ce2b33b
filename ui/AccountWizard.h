#pragma once

#include <QWizard>

#include <memory>

class LogicCore;

namespace Logic {
class Account;
}

/// "E-Mail Account Configuration Wizard": a new account from its address and password, with
/// the server settings filled in from the presets. The model is only read (presets, the
/// duplicate check); the caller adds the account it hands out.
class AccountWizard : public QWizard {
    Q_OBJECT
public:
    AccountWizard(LogicCore& core, QWidget* parent);
    ~AccountWizard() override;

    /// After Finish: the new account (ownership passes to the caller); nullptr before Finish,
    /// after Cancel, or once taken.
    std::unique_ptr<Logic::Account> takeAccount();

private:
    LogicCore& m_core;
    std::unique_ptr<Logic::Account> m_account;
};
