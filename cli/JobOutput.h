#pragma once

#include "logic/ConnectionSettings.h"

#include <cstdint>
#include <optional>
#include <string>

/// What a command-line job printed and how it ended.
struct JobOutput {
    int exitCode = 0;
    std::string standardOutput;
    std::string standardError;
};

/// What `velomar --add-account` was given: the address, and whatever should differ from what
/// the presets suggest for it.
struct NewAccountRequest {
    std::string emailAddress;
    std::optional<std::string> serverName;
    /// --imap or --pop3; without either, IMAP where the provider offers it, else POP3.
    std::optional<Logic::ConnectionSettings::Protocol> protocol;
    /// Without one, 995 with TLS and 110 without for POP3; 993 and 143 (STARTTLS) for IMAP.
    std::optional<std::uint16_t> port;
    /// TLS unless --no-tls was given: the password never crosses the network in clear unless
    /// the user said so.
    bool useTls = true;
    std::optional<std::string> userLogin;
    /// Whether the connection is tried before the account is added.
    bool test = true;
};
