#include "ui/TypedPassword.h"

#include "core/PasswordPlacement.h"
#include "ui/KeyringTask.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"

std::optional<Logic::ConnectionSettings> keepTypedPassword(LogicCore& core, QWidget* window,
                                                           const Logic::ConnectionSettings& typed,
                                                           bool newAccount) {
    const auto placement =
        waitForKeyring<PasswordPlacement>(core, window, [&core, typed, newAccount] {
            return newAccount ? placeNewAccountPassword(core, typed) : placePassword(typed);
        });
    if (!placement)
        return std::nullopt;
    switch (placement->place) {
    case PasswordPlacement::Place::Keyring:
    case PasswordPlacement::Place::File:
        return placement->settings;
    case PasswordPlacement::Place::AddressTaken:
        Prompts::showMessage(window, QMessageBox::Critical,
                             QStringLiteral("Account settings error"),
                             QStringLiteral("Account with e-mail address [%1] already exists.")
                                 .arg(toQString(typed.emailAddress())));
        return std::nullopt;
    case PasswordPlacement::Place::Refused:
        break;
    }
    if (!Prompts::ask(window, window->windowTitle(),
                      QStringLiteral("The password could not be kept in the desktop's keyring: "
                                     "%1.\n\nKeep it in the account file instead? It is "
                                     "scrambled there, not encrypted: anyone who can read that "
                                     "file can read it.")
                          .arg(toQString(placement->reason))))
        return std::nullopt;
    return placement->settings;
}
