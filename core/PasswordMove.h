#pragma once

#include <string>
#include <vector>

class LogicCore;

/// The passwords still kept in the account file, on their way to the desktop's keyring. They
/// are collected under the account lock, stored in the keyring on its thread, and only once the
/// keyring took every one of them cleared from the accounts and the file saved without them
/// (UserActions::keepPasswordsInKeyring): a refusal half-way leaves the file as it was.
class PasswordMove {
public:
    struct Entry {
        std::string emailAddress;
        std::string password;
    };
    struct Outcome {
        enum class Kind { Stored, NoKeyring, Refused };
        Kind kind = Kind::Refused;
        /// Refused: which account's password, and why, for a person.
        std::string reason;
    };

    /// The accounts whose password is kept in the file, in the account manager's order.
    static PasswordMove collect(LogicCore& core);

    bool empty() const { return m_entries.empty(); }
    const std::vector<Entry>& entries() const { return m_entries; }
    /// Stores each password in the keyring, stopping at the first it does not take. Waits for
    /// the keyring: call it on the keyring's thread.
    Outcome storeInKeyring() const;

private:
    std::vector<Entry> m_entries;
};
