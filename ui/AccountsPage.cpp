#include "ui/AccountsPage.h"

#include "core/LogicCore.h"
#include "core/ModelReader.h"
#include "core/UserActions.h"
#include "logic/Account.h"
#include "ui/AccountListModel.h"
#include "ui/AccountSettingsSheet.h"
#include "ui/AccountWizard.h"
#include "ui/DialogUnits.h"
#include "ui/ModelEvents.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"
#include "ui/ReadMailActions.h"
#include "ui/ReportList.h"
#include "ui/ReportTable.h"

#include <QPushButton>

AccountsPage::AccountsPage(LogicCore& core, ModelEvents& events, QWidget* parent)
    : QWidget(parent), m_core(core), m_model(new AccountListModel(this)) {
    m_list = new ReportTable(m_model, {{140, 0.45}, {120, 0, true}},
                             QAbstractItemView::SingleSelection, this);
    m_list->setObjectName(QStringLiteral("accountList"));
    m_list->setEmptyText(QStringLiteral("No accounts yet: add one with Add..."));
    auto* add = ReportList::createButton(this, QStringLiteral("&Add..."), "addAccount");
    m_edit = ReportList::createButton(this, QStringLiteral("&Edit..."), "editAccount");
    m_remove = ReportList::createButton(this, QStringLiteral("&Remove"), "removeAccount");
    ReportList::layOut(this, m_list, {add, m_edit, m_remove});

    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &AccountsPage::updateButtons);
    connect(m_model, &QAbstractItemModel::modelReset, this, &AccountsPage::updateButtons);
    connect(m_list, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { readMailOfRow(index.row()); });
    connect(m_list, &ReportTable::enterPressed, this, &AccountsPage::editSelectedAccount);
    connect(m_list, &ReportTable::deletePressed, this, &AccountsPage::removeSelectedAccount);
    connect(add, &QPushButton::clicked, this, &AccountsPage::addAccountWithWizard);
    connect(m_edit, &QPushButton::clicked, this, &AccountsPage::editSelectedAccount);
    connect(m_remove, &QPushButton::clicked, this, &AccountsPage::removeSelectedAccount);
    // A check's progress rewrites the rows it concerns; any other change rebuilds the list.
    connect(&events, &ModelEvents::accountStarting, this, &AccountsPage::refreshAccountRow);
    connect(&events, &ModelEvents::accountFailed, this, &AccountsPage::refreshAccountRow);
    connect(&events, &ModelEvents::accountFinished, this, &AccountsPage::refreshAccountRow);
    connect(&events, &ModelEvents::checkStarted, this, &AccountsPage::refreshAccounts);
    connect(&events, &ModelEvents::accountAdded, this, &AccountsPage::refreshAccounts);
    connect(&events, &ModelEvents::accountRemoved, this, &AccountsPage::refreshAccounts);
    connect(&events, &ModelEvents::accountChanged, this, &AccountsPage::refreshAccounts);
    connect(&events, &ModelEvents::unreadChanged, this, &AccountsPage::refreshAccounts);
    refreshAccounts();
}

QSize AccountsPage::sizeHint() const {
    return dialogUnitsToPixels(this, 238, 112);
}

void AccountsPage::refreshAccounts() {
    const std::string selected = selectedAddress();
    m_model->setAccounts(ModelReader(m_core).accounts());
    if (const int row = m_model->rowOf(selected); !selected.empty() && row >= 0)
        m_list->selectRow(row);
}

void AccountsPage::refreshAccountRow(const std::string& emailAddress) {
    const auto account = ModelReader(m_core).account(emailAddress);
    if (!account || !m_model->updateAccount(*account))
        refreshAccounts();
}

void AccountsPage::addAccountWithWizard() {
    AccountWizard wizard(m_core, window());
    if (wizard.exec() != QDialog::Accepted)
        return;
    std::unique_ptr<Logic::Account> account = wizard.takeAccount();
    if (!account)
        return;
    const std::string address = account->connectionSettings().emailAddress();
    if (UserActions(m_core).addAccount(std::move(account)) == ActionResult::AddressTaken) {
        // The wizard refuses a taken address; this only happens when one was added meanwhile.
        Prompts::showMessage(this, QMessageBox::Critical, QStringLiteral("Account settings error"),
                             QStringLiteral("Account with e-mail address [%1] already exists.")
                                 .arg(toQString(address)));
    }
}

void AccountsPage::editSelectedAccount() {
    const std::string address = selectedAddress();
    const auto copy = ModelReader(m_core).accountSettings(address);
    if (address.empty() || !copy)
        return;
    AccountSettingsSheet sheet(copy->connectionSettings, copy->preferences, m_core, window());
    if (sheet.exec() != QDialog::Accepted)
        return;
    UserActions(m_core).replaceAccountSettings(address, sheet.connectionSettings(),
                                               sheet.preferences(), sheet.passwordTyped());
}

void AccountsPage::removeSelectedAccount() {
    const std::string address = selectedAddress();
    if (address.empty())
        return;
    const auto account = ModelReader(m_core).account(address);
    // Its settings, password and unread messages go for good: asked first.
    if (account &&
        !Prompts::ask(this, window()->windowTitle(), toQString(removalQuestion(*account))))
        return;
    // Removed meanwhile (from the command line): the row was stale.
    if (!account || UserActions(m_core).removeAccount(address) == ActionResult::NoSuchAccount)
        refreshAccounts();
}

void AccountsPage::readMailOfRow(int row) {
    const std::string address = m_model->addressAt(row);
    const auto copy = ModelReader(m_core).accountSettings(address);
    if (!copy || !runReadMailAction(this, copy->preferences))
        return;
    UserActions(m_core).clearAccountMails(address);
}

void AccountsPage::updateButtons() {
    const bool selected = m_list->selectionModel()->hasSelection();
    m_edit->setEnabled(selected);
    m_remove->setEnabled(selected);
}

std::string AccountsPage::selectedAddress() const {
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    return rows.isEmpty() ? std::string() : m_model->addressAt(rows.first().row());
}
