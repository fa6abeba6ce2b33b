#include "core/KeyringRefusal.h"

std::string keyringRefusal(const Platform::SecretStore::Answer& answer) {
    using Outcome = Platform::SecretStore::Outcome;
    switch (answer.outcome) {
    case Outcome::Locked:
        return "the desktop's keyring is locked and was not unlocked";
    case Outcome::NoService:
        return "the desktop's keyring went away";
    case Outcome::Done:
    case Outcome::NotFound:
    case Outcome::Failed:
        break;
    }
    return "the desktop's keyring refused it" +
           (answer.reason.empty() ? std::string() : ": " + answer.reason);
}
