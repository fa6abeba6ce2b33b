#include "ui/AccountWizard.h"

#include "logic/Account.h"

AccountWizard::AccountWizard(LogicCore& core, QWidget* parent)
    : QWizard(parent), m_core(core), m_account(std::make_unique<Logic::Account>()) {}

AccountWizard::~AccountWizard() = default;

std::unique_ptr<Logic::Account> AccountWizard::takeAccount() {
    return result() == QDialog::Accepted ? std::move(m_account) : nullptr;
}
