#include "ui/AccountSettingsSheet.h"

#include "ui/AccountPreferencesPage.h"
#include "ui/ConnectionSettingsPage.h"
#include "ui/DialogFrame.h"
#include "ui/DialogUnits.h"
#include "ui/PlaceholderPage.h"
#include "ui/TypedPassword.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

AccountSettingsSheet::AccountSettingsSheet(const Logic::ConnectionSettings& settings,
                                           const Logic::AccountPreferences& preferences,
                                           LogicCore& core, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_preferences(preferences), m_core(core) {
    setWindowTitle(QStringLiteral("E-Mail Account Settings"));
    setWindowFlags(kDialogFrame);
    // Made before the tabs: the pages, built later, join the end of the tab order, which then
    // runs from the tabs through a page to OK and Cancel.
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &AccountSettingsSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &AccountSettingsSheet::reject);

    m_tabs = new QTabWidget(this);
    auto* connectionTab = new PlaceholderPage("connectionPlaceholder", [this](QWidget* tab) {
        m_connectionPage = new ConnectionSettingsPage(m_settings, m_core, tab);
        connect(m_connectionPage, &ConnectionSettingsPage::protocolChanged, this,
                [this](bool imap) {
                    if (m_preferencesPage != nullptr)
                        m_preferencesPage->setForImap(imap);
                });
        // The sheet opens on this tab, with the keyboard in its first field.
        m_connectionPage->setFocus();
        return m_connectionPage;
    });
    auto* preferencesTab = new PlaceholderPage("preferencesPlaceholder", [this](QWidget* tab) {
        m_preferencesPage = new AccountPreferencesPage(m_preferences, tab);
        m_preferencesPage->setForImap(m_connectionPage != nullptr
                                          ? m_connectionPage->imapChosen()
                                          : m_settings.protocol() ==
                                                Logic::ConnectionSettings::Protocol::Imap);
        return m_preferencesPage;
    });
    for (QWidget* tab : {connectionTab, preferencesTab}) {
        tab->setMinimumSize(dialogUnitsToPixels(this, 280, 130));
        tab->setContentsMargins(dialogUnitsToPixelsX(this, 7), dialogUnitsToPixelsY(this, 7),
                                dialogUnitsToPixelsX(this, 7), dialogUnitsToPixelsY(this, 7));
    }
    m_tabs->addTab(connectionTab, QStringLiteral("Connection Settings"));
    m_tabs->addTab(preferencesTab, QStringLiteral("Account Preferences"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
}

void AccountSettingsSheet::accept() {
    if (m_connectionPage != nullptr) {
        // A refused port is shown on its own tab, where the field can take the focus.
        m_tabs->setCurrentIndex(0);
        if (!m_connectionPage->apply())
            return;
        m_passwordTyped = m_connectionPage->passwordTyped();
        if (!m_passwordTyped) {
            m_settings = m_connectionPage->settings();
        } else if (const auto kept =
                       keepTypedPassword(m_core, this, m_connectionPage->settings(), false)) {
            m_settings = *kept;
        } else {
            return;
        }
    }
    if (m_preferencesPage != nullptr) {
        m_preferencesPage->apply();
        m_preferences = m_preferencesPage->preferences();
    }
    QDialog::accept();
}
