#include "ui/AccountsPage.h"

AccountsPage::AccountsPage(LogicCore& core, QWidget* parent) : QWidget(parent), m_core(core) {}

void AccountsPage::refreshAccounts() {}

void AccountsPage::refreshAccountRow(const std::string&) {}

void AccountsPage::addAccountWithWizard() {}
