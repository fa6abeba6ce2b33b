#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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

    /// The login for an address of this provider: the prefix, the address's user part, then the
    /// suffix.
    std::string userLogin(std::string_view emailAddress) const;
};

/// The part of an address before its first at sign; the whole text when it has none.
std::string_view userPartOf(std::string_view emailAddress);
/// The part after its first at sign; the whole text when it has none.
std::string_view domainOf(std::string_view emailAddress);

} // namespace Logic
