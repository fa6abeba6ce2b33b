#pragma once

#include "logic/ConnectionSettings.h"

#include <string>

class LogicCore;

/// What a person is told where they set up a password and no keyring answers.
inline constexpr const char* kNoKeyringNote =
    "no keyring found: the password is kept in the account file, scrambled, not encrypted; "
    "anyone who can read that file can read it";

/// Where a typed password went.
struct PasswordPlacement {
    enum class Place {
        /// In the desktop's keyring; the settings keep an empty password.
        Keyring,
        /// No keyring answers: the settings keep the password, for the account file.
        File,
        /// The keyring would not take it (see `reason`); the settings are as typed, should the
        /// person rather keep the password in the file.
        Refused,
        /// Another account has the address (placeNewAccountPassword): nothing was stored.
        AddressTaken,
    };
    Place place = Place::Refused;
    Logic::ConnectionSettings settings;
    std::string reason;
};

/// Puts the password of `typed` into the desktop's keyring, or leaves it to the account file
/// when no keyring answers. Waits for the keyring: call it on the keyring's thread, or where
/// no window waits.
PasswordPlacement placePassword(const Logic::ConnectionSettings& typed);
/// The same for an account about to be added, unless an account already has the address: its
/// keyring item would be overwritten.
PasswordPlacement placeNewAccountPassword(LogicCore& core, const Logic::ConnectionSettings& typed);
