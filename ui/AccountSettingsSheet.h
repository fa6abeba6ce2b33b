#pragma once

#include "logic/AccountPreferences.h"
#include "logic/ConnectionSettings.h"

#include <QDialog>

class AccountPreferencesPage;
class ConnectionSettingsPage;
class QTabWidget;

namespace Logic {
class ServerPresets;
}

/// "E-Mail Account Settings": an account's connection settings and preferences edited on two
/// tabs. It works on copies; the caller reads them back after OK.
class AccountSettingsSheet : public QDialog {
    Q_OBJECT
public:
    /// `presets` (what the connection test tells of a provider) must outlive the sheet.
    AccountSettingsSheet(const Logic::ConnectionSettings& settings,
                         const Logic::AccountPreferences& preferences,
                         const Logic::ServerPresets& presets, QWidget* parent);

    /// The copies, changed by OK on the pages that were shown.
    const Logic::ConnectionSettings& connectionSettings() const { return m_settings; }
    const Logic::AccountPreferences& preferences() const { return m_preferences; }

    /// OK: the pages that were shown write into the copies; a refused port keeps the sheet
    /// open.
    void accept() override;

private:
    Logic::ConnectionSettings m_settings;
    Logic::AccountPreferences m_preferences;
    QTabWidget* m_tabs;
    ConnectionSettingsPage* m_connectionPage = nullptr;
    AccountPreferencesPage* m_preferencesPage = nullptr;
};
