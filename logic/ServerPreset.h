#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Logic {

/// What "servers.xml" knows about one mail domain: enough for the wizard to fill in the server,
/// the login and the web-mail address of a new account, and to tell what the provider wants
/// before it lets a mail program in.
struct ServerPreset {
    /// One of the provider's mail servers; an empty address for none.
    struct Server {
        std::string address;
        std::uint16_t port = 110;
        /// The login is loginPrefix + the user part of the address + loginSuffix.
        std::string loginPrefix;
        std::string loginSuffix;
        /// TLS from the first byte; for IMAP without it, STARTTLS.
        bool ssl = false;
    };

    /// How the provider lets a mail program log in to one of its servers.
    enum class Login {
        Password,    ///< with the account's own password, once POP access is switched on
        AppPassword, ///< only with an app password (as a rule, once two-step sign-in is on)
        None,        ///< not with a password at all: no server settings can work
    };
    struct Access {
        Login login = Login::Password;
        /// The provider's own page about POP access or app passwords; may be empty.
        std::string help;
        /// A sentence or two a person can act on; may be empty.
        std::string note;
    };

    /// Web-mail page of the provider.
    std::string url;
    Server pop3;
    /// Log-in to POP3.
    Access access;
    Server imap{{}, 993, {}, {}, false};
    /// Log-in to IMAP: that of POP3 unless the list says otherwise.
    Access imapAccess;

    /// The POP3 login for an address of this provider: the prefix, the address's user part,
    /// then the suffix.
    std::string userLogin(std::string_view emailAddress) const;
    /// The same for IMAP.
    std::string imapLogin(std::string_view emailAddress) const;
    /// An IMAP server that takes a password log-in.
    bool offersImap() const { return !imap.address.empty() && imapAccess.login != Login::None; }
    /// A POP3 server that takes a password log-in.
    bool offersPop3() const { return !pop3.address.empty() && access.login != Login::None; }
    /// What to add when the provider's POP3 (or IMAP) server refused a log-in: "This provider
    /// needs an app password: <help page>" and the like; empty when the provider names no help
    /// page.
    std::string refusalAdvice(bool ofImap = false) const;
    /// The note about POP3 (or IMAP), followed by the help page; empty when there is neither.
    std::string noteWithHelp(bool ofImap = false) const;
    /// Why no account at this provider can be checked: the note and help page, or a sentence
    /// of its own when the list gives no note.
    std::string noPasswordText() const;
};

/// The part of an address before its first at sign; the whole text when it has none.
std::string_view userPartOf(std::string_view emailAddress);
/// The part after its first at sign; the whole text when it has none.
std::string_view domainOf(std::string_view emailAddress);
/// Whether the text can be an e-mail address: something, one at sign, a domain, no spaces.
bool isEmailAddress(std::string_view text);

} // namespace Logic
