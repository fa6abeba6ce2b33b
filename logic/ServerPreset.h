#pragma once

#include <cstdint>
#include <string>

namespace Logic {

/// What "servers.xml" knows about one mail domain: enough for the wizard to fill in the server,
/// the login and the web-mail address of a new account.
struct ServerPreset {
    struct Pop3 {
        std::string address;
        std::uint16_t port = 110;
        /// The login is loginPrefix + the user part of the address + loginSuffix.
        std::string loginPrefix;
        std::string loginSuffix;
        bool ssl = false;
    };

    /// Web-mail page of the provider.
    std::string url;
    Pop3 pop3;
};

} // namespace Logic
