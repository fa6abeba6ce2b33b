#pragma once

#include "logic/AccountPreferences.h"
#include "logic/ConnectionSettings.h"

#include <QDialog>

class AccountPreferencesPage;
class ConnectionSettingsPage;
class LogicCore;
class QTabWidget;

/// "E-Mail Account Settings": an account's connection settings and preferences edited on two
/// tabs. It works on copies; the caller reads them back after OK. A password typed anew goes to
/// the desktop's keyring before the sheet closes.
class AccountSettingsSheet : public QDialog {
    Q_OBJECT
public:
    AccountSettingsSheet(const Logic::ConnectionSettings& settings,
                         const Logic::AccountPreferences& preferences, LogicCore& core,
                         QWidget* parent);

    /// The copies, changed by OK on the pages that were shown.
    const Logic::ConnectionSettings& connectionSettings() const { return m_settings; }
    const Logic::AccountPreferences& preferences() const { return m_preferences; }
    /// OK kept a password typed anew.
    bool passwordTyped() const { return m_passwordTyped; }

    /// OK: the pages that were shown write into the copies; a refused port, or a password the
    /// keyring refused and the person would not keep in the file, keeps the sheet open.
    void accept() override;

private:
    Logic::ConnectionSettings m_settings;
    Logic::AccountPreferences m_preferences;
    LogicCore& m_core;
    bool m_passwordTyped = false;
    QTabWidget* m_tabs;
    ConnectionSettingsPage* m_connectionPage = nullptr;
    AccountPreferencesPage* m_preferencesPage = nullptr;
};
