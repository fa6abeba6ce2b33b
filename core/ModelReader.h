#pragma once

#include "logic/Account.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class LogicCore;

namespace Logic {
class Mail;
}

/// One account as the windows and `velomar --list-accounts` list it; never its password.
struct AccountView {
    std::string emailAddress;
    Logic::AccountStatus status = Logic::AccountStatus::Idle;
    std::size_t unread = 0;
    std::string serverName;
    std::uint16_t port = 0;
    bool useTls = false;
    /// Why its last check failed; empty while it works.
    std::string failureReason;
    /// Checks that failed since the last one that worked.
    int failuresInARow = 0;
    /// The password is kept in the desktop's keyring, not in the account file.
    bool passwordInKeyring = false;
    /// IMAP; POP3 otherwise. Without TLS from the first byte IMAP uses STARTTLS.
    bool imap = false;
};

/// What removing the account asks first: "Remove anna@example.org and its 3 unread messages?"
std::string removalQuestion(const AccountView& account);

/// An account's editable parts, copied for a dialog.
struct AccountSettingsCopy {
    Logic::ConnectionSettings connectionSettings;
    Logic::AccountPreferences preferences;
};

/// What the windows show of the model, each answer copied under the account lock, so no widget
/// ever takes a lock or holds a reference into the model. The messages are shared, not copied:
/// a record never changes after it was read, but for its notified flag.
class ModelReader {
public:
    explicit ModelReader(LogicCore& core) : m_core(core) {}

    /// In the account manager's order.
    std::vector<AccountView> accounts() const;
    std::optional<AccountView> account(std::string_view emailAddress) const;
    std::optional<AccountSettingsCopy> accountSettings(std::string_view emailAddress) const;
    /// Every unread message of every account, accounts in order, each account's newest first.
    Logic::Account::MailList unreadMails() const;
    std::size_t unreadCount() const;
    /// The address of the account that holds this very record; nothing once it is read.
    std::optional<std::string> accountOfMail(const Logic::Mail& mail) const;

private:
    template <class Read> auto read(Read&& reader) const;

    LogicCore& m_core;
};
