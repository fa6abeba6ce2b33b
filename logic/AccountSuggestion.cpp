#include "logic/AccountSuggestion.h"

#include "foundation/TextConversion.h"
#include "logic/ServerPresets.h"

namespace Logic {

AccountSuggestion suggestAccount(const ServerPresets& presets, std::string_view emailAddress,
                                 std::string_view password,
                                 std::optional<ConnectionSettings::Protocol> protocol) {
    using Protocol = ConnectionSettings::Protocol;
    AccountSuggestion suggestion;
    ConnectionSettings& settings = suggestion.connectionSettings;
    settings.setEmailAddress(std::string(emailAddress));
    settings.setPassword(std::string(password));
    settings.setUserLogin(std::string(userPartOf(emailAddress)));
    const ServerPreset* preset = presets.find(domainOf(emailAddress));
    settings.setProtocol(protocol.value_or(
        preset != nullptr && preset->offersImap() ? Protocol::Imap : Protocol::Pop3));
    if (settings.protocol() == Protocol::Imap)
        settings.setPort(143);
    if (preset != nullptr) {
        const bool imap = settings.protocol() == Protocol::Imap;
        const ServerPreset::Server& server = imap ? preset->imap : preset->pop3;
        settings.setServerName(server.address);
        settings.setUseTls(server.ssl);
        settings.setPort(server.port);
        settings.setUserLogin(imap ? preset->imapLogin(emailAddress)
                                   : preset->userLogin(emailAddress));
        if (!preset->url.empty()) {
            suggestion.preferences.setUrl(Norq::toWide(preset->url));
            suggestion.preferences.setReadMailAction(ReadMailAction::OpenUrl);
        }
    }
    return suggestion;
}

} // namespace Logic
