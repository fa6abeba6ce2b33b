#pragma once

#include <QWizard>

#include <memory>

class AccountPreferencesPage;
class ConnectionSettingsPage;
class LogicCore;
class PlaceholderPage;
class QLineEdit;

namespace Logic {
class Account;
class ConnectionSettings;
struct ServerPreset;
} // namespace Logic

/// "E-Mail Account Configuration Wizard": a new account from its address and password, with
/// the server settings filled in from the presets and the provider's note beside them; an
/// address that is none, or of a provider that takes no password, goes no further. The model is
/// only read (presets, the duplicate check); the caller adds the account it hands out.
class AccountWizard : public QWizard {
    Q_OBJECT
public:
    /// The pages' ids, which are those of their templates.
    enum PageId {
        kWelcomePage = 107,
        kPrimaryPage = 109,
        kPop3Page = 110,
        kPreferencePage = 129,
        kCompletionPage = 113,
    };

    AccountWizard(LogicCore& core, QWidget* parent);
    ~AccountWizard() override;

    /// After Finish: the new account (ownership passes to the caller); nullptr before Finish,
    /// after Cancel, or once taken.
    std::unique_ptr<Logic::Account> takeAccount();

    int nextId() const override;
    /// Next: the primary settings fill the account from the address, or are refused for an
    /// address another account has; the two account pages apply into it. Finish puts the
    /// password in the desktop's keyring (keepTypedPassword).
    bool validateCurrentPage() override;

private:
    QWizardPage* makePrimaryPage();
    QWizardPage* makeHostPage(QWidget* host, const QString& title, const QString& subTitle);
    bool acceptPrimarySettings();
    /// The POP3 page is built afresh each time it is shown; the preference page once.
    void pageShown(int id);
    /// Back on the completion page returns to the POP3 settings, past the preference page.
    void goBack();
    /// The provider of the address's domain, or else the one running its server.
    const Logic::ServerPreset* providerOf(const Logic::ConnectionSettings& settings) const;
    /// Under the POP3 settings: what the provider wants before it lets a mail program in.
    void showProviderNote();

    LogicCore& m_core;
    std::unique_ptr<Logic::Account> m_account;
    QLineEdit* m_emailAddress = nullptr;
    QLineEdit* m_password = nullptr;
    QWidget* m_connectionHost = nullptr;
    ConnectionSettingsPage* m_connectionPage = nullptr;
    QWidget* m_providerNote = nullptr;
    PlaceholderPage* m_preferencesHost = nullptr;
    AccountPreferencesPage* m_preferencesPage = nullptr;
};
