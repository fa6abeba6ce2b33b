#pragma once

#include "foundation/SaveLoadFwd.h"

#include <cstdint>
#include <string>

namespace Logic {

/// How to reach a POP3 server and log in. A plain value: the check and the connection test each
/// work on their own copy, so they never hold the account lock while on the network.
class ConnectionSettings {
public:
    /// Where the password lives between runs: in the account file (scrambled), or in the
    /// desktop's keyring, where the account file keeps an empty password.
    enum class PasswordPlace : std::uint8_t { File = 0, Keyring = 1 };
    /// The mailbox's protocol. An IMAP account watches its INBOX; without TLS from the first
    /// byte it uses STARTTLS, so that its password never travels unencrypted.
    enum class Protocol : std::uint8_t { Pop3 = 0, Imap = 1 };

    ConnectionSettings() = default;
    /// Reads a "Logic::ConnectionSettings" record.
    explicit ConnectionSettings(Norq::SaveLoad::Reader& reader);
    void save(Norq::SaveLoad::Writer& writer) const;

    /// Kept and sent exactly as entered.
    const std::string& password() const { return m_password; }
    void setPassword(std::string password) { m_password = std::move(password); }
    PasswordPlace passwordPlace() const { return m_passwordPlace; }
    void setPasswordPlace(PasswordPlace place) { m_passwordPlace = place; }
    Protocol protocol() const { return m_protocol; }
    void setProtocol(Protocol protocol) { m_protocol = protocol; }
    /// The account's identity; compared byte by byte.
    const std::string& emailAddress() const { return m_emailAddress; }
    void setEmailAddress(std::string address) { m_emailAddress = std::move(address); }
    std::uint16_t port() const { return m_port; }
    void setPort(std::uint16_t port) { m_port = port; }
    /// Host name or dotted IPv4 address.
    const std::string& serverName() const { return m_serverName; }
    void setServerName(std::string name) { m_serverName = std::move(name); }
    /// The name sent with USER.
    const std::string& userLogin() const { return m_userLogin; }
    void setUserLogin(std::string login) { m_userLogin = std::move(login); }
    /// TLS from the first byte instead of plain TCP.
    bool useTls() const { return m_useTls; }
    void setUseTls(bool useTls) { m_useTls = useTls; }

    /// "login@server:port": the mailbox these settings reach, whatever the address is called.
    std::string mailboxKey() const {
        return m_userLogin + "@" + m_serverName + ":" + std::to_string(m_port);
    }

    bool operator==(const ConnectionSettings&) const = default;

private:
    std::string m_password;
    std::string m_emailAddress;
    std::uint16_t m_port = 110;
    std::string m_serverName;
    std::string m_userLogin;
    bool m_useTls = false;
    /// These two are kept in records of their own after the accounts, which older copies do
    /// not read.
    PasswordPlace m_passwordPlace = PasswordPlace::File;
    Protocol m_protocol = Protocol::Pop3;
};

} // namespace Logic
