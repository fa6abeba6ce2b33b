#include "app/PageTabs.h"

#include "ui/AboutPage.h"
#include "ui/AccountsPage.h"
#include "ui/MessagesPage.h"
#include "ui/SettingsPage.h"
#include "ui/WidgetIds.h"

PageTabs::PageTabs(LogicCore& core, const Norq::Settings& settings, SoundPlayer& player,
                   QWidget* parent)
    : QTabWidget(parent), m_messages(new MessagesPage(core, this)),
      m_accounts(new AccountsPage(core, this)),
      m_settings(new SettingsPage(settings, player, this)), m_about(new AboutPage(this)) {
    setControlId(this, 1000, "pageTabs");
    addTab(m_messages, QStringLiteral("Messages"));
    addTab(m_accounts, QStringLiteral("Accounts"));
    addTab(m_settings, QStringLiteral("Settings"));
    addTab(m_about, QStringLiteral("About"));
    setCurrentIndex(Messages);
    m_messages->setObserver(&m_pageRelay);
    m_settings->setObserver(&m_pageRelay);
    m_accounts->setObserver(&m_accountsRelay);
}

PageTabs::~PageTabs() {
    m_messages->setObserver(nullptr);
    m_settings->setObserver(nullptr);
    m_accounts->setObserver(nullptr);
}

void PageTabs::showAccountsAndAddAccount() {
    setCurrentIndex(Accounts);
    m_accounts->addAccountWithWizard();
}

void PageTabs::refreshMessages() {
    m_messages->refresh();
}

void PageTabs::refreshAccounts() {
    m_accounts->refreshAccounts();
}

void PageTabs::refreshAccountRow(const std::string& emailAddress) {
    m_accounts->refreshAccountRow(emailAddress);
}

void PageTabs::markAllRead() {
    m_messages->markAllRead();
}

template <class Call> void PageTabs::Relay::relay(Call&& call) {
    if (m_tabs.m_observer != nullptr)
        call(*m_tabs.m_observer);
}

void PageTabs::Relay::soundFileChanged(const std::u16string& path) {
    relay([&](PagesObserver& observer) { observer.soundFileChanged(path); });
}

void PageTabs::Relay::intervalChanged(std::int32_t minutes) {
    relay([&](PagesObserver& observer) { observer.intervalChanged(minutes); });
}

void PageTabs::Relay::notificationWindowChanged(bool on) {
    relay([&](PagesObserver& observer) { observer.notificationWindowChanged(on); });
}

void PageTabs::Relay::playSoundChanged(bool on) {
    relay([&](PagesObserver& observer) { observer.playSoundChanged(on); });
}

void PageTabs::Relay::autostartChanged(bool on) {
    relay([&](PagesObserver& observer) { observer.autostartChanged(on); });
}

void PageTabs::Relay::mailsChanged() {
    if (m_refreshMessagesFirst)
        m_tabs.refreshMessages();
    relay([](PagesObserver& observer) { observer.mailsChanged(); });
}

void PageTabs::Relay::modelSaved(ActionResult result) {
    relay([&](PagesObserver& observer) { observer.modelSaved(result); });
}

void PageTabs::Relay::connectionChanged(const std::string& emailAddress) {
    relay([&](PagesObserver& observer) { observer.connectionChanged(emailAddress); });
}
