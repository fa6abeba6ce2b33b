#include "core/PasswordPlacement.h"

#include "core/KeyringRefusal.h"
#include "core/ModelReader.h"
#include "platform/SecretStore.h"

PasswordPlacement placePassword(const Logic::ConnectionSettings& typed) {
    using Outcome = Platform::SecretStore::Outcome;
    PasswordPlacement placement{PasswordPlacement::Place::Refused, typed, {}};
    placement.settings.setPasswordPlace(Logic::ConnectionSettings::PasswordPlace::File);
    const auto answer = Platform::SecretStore::store(typed.emailAddress(), typed.password());
    switch (answer.outcome) {
    case Outcome::Done:
        placement.place = PasswordPlacement::Place::Keyring;
        placement.settings.setPasswordPlace(Logic::ConnectionSettings::PasswordPlace::Keyring);
        placement.settings.setPassword({});
        break;
    case Outcome::NoService:
        placement.place = PasswordPlacement::Place::File;
        break;
    case Outcome::NotFound:
    case Outcome::Locked:
    case Outcome::Failed:
        placement.reason = keyringRefusal(answer);
        break;
    }
    return placement;
}

PasswordPlacement placeNewAccountPassword(LogicCore& core, const Logic::ConnectionSettings& typed) {
    if (ModelReader(core).account(typed.emailAddress()))
        return {PasswordPlacement::Place::AddressTaken, typed, {}};
    return placePassword(typed);
}
