#pragma once

#include <QTabWidget>

class AboutPage;
class AccountsPage;
class LogicCore;
class MessagesPage;
class ModelEvents;
class SettingsPage;
class SoundPlayer;

namespace Logic {
class Mail;
}

namespace Norq {
class Settings;
}

/// The main window's four tabs, "Messages", "Accounts", "Settings" and "About". The pages
/// follow the model's events themselves.
class PageTabs : public QTabWidget {
    Q_OBJECT
public:
    enum Tab { Messages = 0, Accounts = 1, Settings = 2, About = 3 };

    PageTabs(LogicCore& core, ModelEvents& events, const Norq::Settings& settings,
             SoundPlayer& player, QWidget* parent);

    /// Selects the Messages tab and the message's row there, if it has one.
    void showMessage(const Logic::Mail* mail);
    /// Selects the Accounts tab and starts adding an account there.
    void showAccountsAndAddAccount();
    SettingsPage& settingsPage() const { return *m_settings; }

private:
    MessagesPage* m_messages;
    AccountsPage* m_accounts;
    SettingsPage* m_settings;
    AboutPage* m_about;
};
