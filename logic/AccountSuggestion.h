#pragma once

#include "logic/AccountPreferences.h"
#include "logic/ConnectionSettings.h"

#include <optional>
#include <string_view>

namespace Logic {

class ServerPresets;

/// The settings of a new account as far as its address tells them.
struct AccountSuggestion {
    ConnectionSettings connectionSettings;
    AccountPreferences preferences;
};

/// What a new account gets from its address and password: the address's user part as the login
/// and the defaults (POP3 on port 110 without TLS, or IMAP on 143 with STARTTLS; the default
/// mail client); when the presets know the address's domain (exact match), the provider's
/// server, port, TLS, login rule, and its web-mail page as the read-mail action. Without a
/// `protocol`, IMAP where the provider offers it with a password log-in, else POP3. Nothing is
/// trimmed or checked.
AccountSuggestion suggestAccount(const ServerPresets& presets, std::string_view emailAddress,
                                 std::string_view password,
                                 std::optional<ConnectionSettings::Protocol> protocol = {});

} // namespace Logic
