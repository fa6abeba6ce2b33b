#include "logic/ServerPreset.h"

namespace Logic {

std::string ServerPreset::userLogin(std::string_view emailAddress) const {
    std::string login = pop3.loginPrefix;
    login += userPartOf(emailAddress);
    login += pop3.loginSuffix;
    return login;
}

std::string_view userPartOf(std::string_view emailAddress) {
    const auto at = emailAddress.find('@');
    return at == std::string_view::npos ? emailAddress : emailAddress.substr(0, at);
}

std::string_view domainOf(std::string_view emailAddress) {
    const auto at = emailAddress.find('@');
    return at == std::string_view::npos ? emailAddress : emailAddress.substr(at + 1);
}

} // namespace Logic
