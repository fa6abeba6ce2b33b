#pragma once

#include "logic/ConnectionSettings.h"

#include <QFutureWatcher>
#include <QWidget>

#include <optional>

class LogicCore;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;

/// The server settings of one account, POP3 or IMAP, on a copy that the controls are written
/// into only by `apply`. Choosing the other protocol fills in that protocol's server, port, TLS
/// and login as the provider list gives them for the address (or the protocol's usual port).
/// The e-mail address is shown but cannot be changed here. "Test" tries the values
/// as they are typed, applied or not, and names what a known provider wants when it refuses
/// the log-in. Clearing the TLS box warns that the password would travel unencrypted. A password
/// kept in the desktop's keyring is not shown: its field stays empty until one is typed anew.
/// Where no keyring answers, the page says that the password is kept in the account file.
class ConnectionSettingsPage : public QWidget {
    Q_OBJECT
public:
    ConnectionSettingsPage(const Logic::ConnectionSettings& settings, LogicCore& core,
                           QWidget* parent);

    /// Reads the controls into the copy. A port that is empty, 0 or above 65535 is refused:
    /// the user is told, the port field gets the focus, the copy stays as it was, and the
    /// result is false.
    bool apply();
    const Logic::ConnectionSettings& settings() const { return m_settings; }
    /// A password was typed: the settings hold it, to be kept in the file until it is placed
    /// (keepTypedPassword).
    bool passwordTyped() const;
    /// IMAP is chosen, not POP3.
    bool imapChosen() const;

Q_SIGNALS:
    /// The user chose the other protocol.
    void protocolChanged(bool imap);

private:
    /// The settings as typed; nothing when the port is refused.
    std::optional<Logic::ConnectionSettings> typedSettings();
    void runTest();

    void warnOfPlainText(bool useTls);
    void protocolChosen();

    Logic::ConnectionSettings m_settings;
    LogicCore& m_core;
    QGroupBox* m_group;
    QComboBox* m_protocol;
    QLineEdit* m_serverName;
    QLineEdit* m_port;
    QCheckBox* m_useTls;
    QLineEdit* m_emailAddress;
    QLineEdit* m_userLogin;
    QLineEdit* m_password;
    QLabel* m_noKeyring;
    QFutureWatcher<bool> m_keyringProbe;
};
