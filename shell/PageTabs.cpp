#include "shell/PageTabs.h"

#include "ui/AboutPage.h"
#include "ui/AccountsPage.h"
#include "ui/MessagesPage.h"
#include "ui/SettingsPage.h"

PageTabs::PageTabs(LogicCore& core, ModelEvents& events, const Norq::Settings& settings,
                   SoundPlayer& player, QWidget* parent)
    : QTabWidget(parent), m_messages(new MessagesPage(core, events, this)),
      m_accounts(new AccountsPage(core, events, this)),
      m_settings(new SettingsPage(settings, player, this)), m_about(new AboutPage(this)) {
    setObjectName(QStringLiteral("pageTabs"));
    addTab(m_messages, QStringLiteral("Messages"));
    addTab(m_accounts, QStringLiteral("Accounts"));
    addTab(m_settings, QStringLiteral("Settings"));
    addTab(m_about, QStringLiteral("About"));
    setCurrentIndex(Messages);
}

void PageTabs::showAccountsAndAddAccount() {
    setCurrentIndex(Accounts);
    m_accounts->addAccountWithWizard();
}
