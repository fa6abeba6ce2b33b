#pragma once

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
    std::optional<std::uint16_t> port;
    std::optional<bool> useTls;
    std::optional<std::string> userLogin;
    /// Whether the connection is tried before the account is added.
    bool test = true;
};
