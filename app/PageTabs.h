#pragma once

#include "ui/PagesObserver.h"

#include <QTabWidget>

#include <string>

class AboutPage;
class AccountsPage;
class LogicCore;
class MessagesPage;
class SettingsPage;
class SoundPlayer;

namespace Norq {
class Settings;
}

/// The main window's four tabs, "Messages", "Accounts", "Settings" and "About", and the relay
/// of their pages' events to one observer: the Settings page's as they are, the Messages
/// page's change as `mailsChanged`, and the Accounts page's change after the Messages page has
/// been reloaded.
class PageTabs : public QTabWidget {
    Q_OBJECT
public:
    enum Tab { Messages = 0, Accounts = 1, Settings = 2, About = 3 };

    PageTabs(LogicCore& core, const Norq::Settings& settings, SoundPlayer& player, QWidget* parent);
    ~PageTabs() override;

    /// Not owned; nullptr stops the relay.
    void setObserver(PagesObserver* observer) { m_observer = observer; }

    /// Selects the Accounts tab and starts adding an account there.
    void showAccountsAndAddAccount();
    void refreshMessages();
    void refreshAccounts();
    void refreshAccountRow(const std::string& emailAddress);
    void markAllRead();

private:
    /// Passes one page's events on; the Accounts page's relay reloads the Messages page before
    /// it passes on a change of the messages.
    class Relay : public PagesObserver {
    public:
        Relay(PageTabs& tabs, bool refreshMessagesFirst)
            : m_tabs(tabs), m_refreshMessagesFirst(refreshMessagesFirst) {}
        void soundFileChanged(const std::u16string& path) override;
        void intervalChanged(std::int32_t minutes) override;
        void notificationWindowChanged(bool on) override;
        void playSoundChanged(bool on) override;
        void autostartChanged(bool on) override;
        void mailsChanged() override;
        void modelSaved(ActionResult result) override;
        void connectionChanged(const std::string& emailAddress) override;

    private:
        template <class Call> void relay(Call&& call);

        PageTabs& m_tabs;
        bool m_refreshMessagesFirst;
    };

    MessagesPage* m_messages;
    AccountsPage* m_accounts;
    SettingsPage* m_settings;
    AboutPage* m_about;
    Relay m_pageRelay{*this, false};
    Relay m_accountsRelay{*this, true};
    PagesObserver* m_observer = nullptr;
};
