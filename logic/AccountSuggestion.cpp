#include "logic/AccountSuggestion.h"

#include "foundation/TextConversion.h"
#include "logic/ServerPresets.h"

namespace Logic {

AccountSuggestion suggestAccount(const ServerPresets& presets, std::string_view emailAddress,
                                 std::string_view password) {
    AccountSuggestion suggestion;
    ConnectionSettings& settings = suggestion.connectionSettings;
    settings.setEmailAddress(std::string(emailAddress));
    settings.setPassword(std::string(password));
    settings.setUserLogin(std::string(userPartOf(emailAddress)));
    if (const ServerPreset* preset = presets.find(domainOf(emailAddress))) {
        settings.setServerName(preset->pop3.address);
        settings.setUseTls(preset->pop3.ssl);
        settings.setPort(preset->pop3.port);
        settings.setUserLogin(preset->userLogin(emailAddress));
        if (!preset->url.empty()) {
            suggestion.preferences.setUrl(Norq::toWide(preset->url));
            suggestion.preferences.setReadMailAction(ReadMailAction::OpenUrl);
        }
    }
    return suggestion;
}

} // namespace Logic
