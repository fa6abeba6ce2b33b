#include "shell/PageTabs.h"

#include "ui/AboutPage.h"
#include "ui/AccountsPage.h"
#include "ui/MessagesPage.h"
#include "ui/SettingsPage.h"

#include <QScrollArea>

namespace {

// A page of fixed controls scrolls in a window made smaller than it; the lists shrink anyway.
QScrollArea* scrolling(QWidget* page) {
    auto* area = new QScrollArea;
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(page);
    // The page's own background, not the scroll area's.
    area->viewport()->setAutoFillBackground(false);
    page->setAutoFillBackground(false);
    return area;
}

} // namespace

PageTabs::PageTabs(LogicCore& core, ModelEvents& events, const Norq::Settings& settings,
                   SoundPlayer& player, QWidget* parent)
    : QTabWidget(parent), m_messages(new MessagesPage(core, events, this)),
      m_accounts(new AccountsPage(core, events, this)),
      m_settings(new SettingsPage(settings, player, this)), m_about(new AboutPage(this)) {
    setObjectName(QStringLiteral("pageTabs"));
    addTab(m_messages, QStringLiteral("Messages"));
    addTab(m_accounts, QStringLiteral("Accounts"));
    addTab(scrolling(m_settings), QStringLiteral("Settings"));
    addTab(scrolling(m_about), QStringLiteral("About"));
    setCurrentIndex(Messages);
}

void PageTabs::showMessage(const Logic::Mail* mail) {
    setCurrentIndex(Messages);
    if (mail != nullptr)
        m_messages->select(*mail);
}

void PageTabs::showAccountsAndAddAccount() {
    setCurrentIndex(Accounts);
    m_accounts->addAccountWithWizard();
}
