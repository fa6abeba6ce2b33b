#pragma once

#include "logic/ConnectionSettings.h"

#include <QWidget>

#include <optional>

class QCheckBox;
class QLineEdit;

namespace Logic {
class ServerPresets;
}

/// The POP3 settings of one account, on a copy that the controls are written into only by
/// `apply`. The e-mail address is shown but cannot be changed here. "Test" tries the values
/// as they are typed, applied or not, and names what a known provider wants when it refuses
/// the log-in. Clearing the TLS box warns that the password would travel unencrypted.
class ConnectionSettingsPage : public QWidget {
    Q_OBJECT
public:
    /// `presets` must outlive the page.
    ConnectionSettingsPage(const Logic::ConnectionSettings& settings,
                           const Logic::ServerPresets& presets, QWidget* parent);

    /// Reads the controls into the copy. A port that is empty, 0 or above 65535 is refused:
    /// the user is told, the port field gets the focus, the copy stays as it was, and the
    /// result is false.
    bool apply();
    const Logic::ConnectionSettings& settings() const { return m_settings; }

private:
    /// The settings as typed; nothing when the port is refused.
    std::optional<Logic::ConnectionSettings> typedSettings();
    void runTest();

    void warnOfPlainText(bool useTls);

    Logic::ConnectionSettings m_settings;
    const Logic::ServerPresets& m_presets;
    QLineEdit* m_serverName;
    QLineEdit* m_port;
    QCheckBox* m_useTls;
    QLineEdit* m_emailAddress;
    QLineEdit* m_userLogin;
    QLineEdit* m_password;
};
