#include "transport/AccountPassword.h"

#include "logic/ConnectionSettings.h"
#include "platform/SecretStore.h"

std::variant<std::string, CheckProblem> accountPassword(const Logic::ConnectionSettings& settings) {
    if (settings.passwordPlace() != Logic::ConnectionSettings::PasswordPlace::Keyring)
        return settings.password();
    using Outcome = Platform::SecretStore::Outcome;
    const auto answer = Platform::SecretStore::lookup(settings.emailAddress());
    CheckProblem problem;
    problem.kind = CheckFailure::Keyring;
    switch (answer.outcome) {
    case Outcome::Done:
        return answer.secret;
    case Outcome::NotFound:
        problem.reason = "The password is not in the desktop's keyring any more; enter it again "
                         "in the account's settings.";
        break;
    case Outcome::NoService:
        problem.reason = "The password is kept in the desktop's keyring, which cannot be "
                         "reached here (no keyring service in this session).";
        break;
    case Outcome::Locked:
        problem.reason = "The password is kept in the desktop's keyring, which is locked; "
                         "unlock it and check again.";
        problem.mayPass = true;
        break;
    case Outcome::Failed:
        problem.reason = "The desktop's keyring could not give the password: " + answer.reason;
        break;
    }
    return problem;
}
