#include "logic/ServerPreset.h"

namespace Logic {

std::string ServerPreset::userLogin(std::string_view emailAddress) const {
    std::string login = pop3.loginPrefix;
    login += userPartOf(emailAddress);
    login += pop3.loginSuffix;
    return login;
}

std::string ServerPreset::refusalAdvice() const {
    if (access.help.empty())
        return {};
    switch (access.login) {
    case Login::AppPassword:
        return "This provider needs an app password: " + access.help;
    case Login::None:
        return "This provider allows no password log-in for POP3: " + access.help;
    case Login::Password:
        break;
    }
    return "POP access may have to be switched on in the provider's settings: " + access.help;
}

std::string ServerPreset::noteWithHelp() const {
    if (access.help.empty())
        return access.note;
    return access.note.empty() ? access.help : access.note + " " + access.help;
}

std::string ServerPreset::noPasswordText() const {
    if (!access.note.empty())
        return noteWithHelp();
    const std::string text = "This provider allows no password log-in for POP3.";
    return access.help.empty() ? text : text + " " + access.help;
}

std::string_view userPartOf(std::string_view emailAddress) {
    const auto at = emailAddress.find('@');
    return at == std::string_view::npos ? emailAddress : emailAddress.substr(0, at);
}

std::string_view domainOf(std::string_view emailAddress) {
    const auto at = emailAddress.find('@');
    return at == std::string_view::npos ? emailAddress : emailAddress.substr(at + 1);
}

bool isEmailAddress(std::string_view text) {
    const auto at = text.find('@');
    return at != 0 && at != std::string_view::npos && at + 1 < text.size() &&
           text.find('@', at + 1) == std::string_view::npos &&
           text.find_first_of(" \t\r\n") == std::string_view::npos;
}

} // namespace Logic
