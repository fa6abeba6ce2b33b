#include "logic/ServerPreset.h"

namespace Logic {

namespace {

std::string loginAt(const ServerPreset::Server& server, std::string_view emailAddress) {
    std::string login = server.loginPrefix;
    login += userPartOf(emailAddress);
    login += server.loginSuffix;
    return login;
}

} // namespace

std::string ServerPreset::userLogin(std::string_view emailAddress) const {
    return loginAt(pop3, emailAddress);
}

std::string ServerPreset::imapLogin(std::string_view emailAddress) const {
    return loginAt(imap, emailAddress);
}

std::string ServerPreset::refusalAdvice(bool ofImap) const {
    const Access& used = ofImap ? imapAccess : access;
    if (used.help.empty())
        return {};
    const std::string protocol = ofImap ? "IMAP" : "POP";
    switch (used.login) {
    case Login::AppPassword:
        return "This provider needs an app password: " + used.help;
    case Login::None:
        return "This provider allows no password log-in for " + protocol + (ofImap ? ": " : "3: ") +
               used.help;
    case Login::Password:
        break;
    }
    return protocol + " access may have to be switched on in the provider's settings: " + used.help;
}

std::string ServerPreset::noteWithHelp(bool ofImap) const {
    const Access& used = ofImap ? imapAccess : access;
    if (used.help.empty())
        return used.note;
    return used.note.empty() ? used.help : used.note + " " + used.help;
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
