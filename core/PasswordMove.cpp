#include "core/PasswordMove.h"

#include "core/KeyringRefusal.h"
#include "core/LogicCore.h"
#include "logic/Account.h"
#include "platform/SecretStore.h"

#include <mutex>

PasswordMove PasswordMove::collect(LogicCore& core) {
    PasswordMove move;
    Logic::AccountMgr& manager = core.accountMgr();
    std::lock_guard accountLock(manager.accountLock());
    for (const Logic::Account& account : manager.accounts()) {
        const Logic::ConnectionSettings& settings = account.connectionSettings();
        if (settings.passwordPlace() == Logic::ConnectionSettings::PasswordPlace::File &&
            !settings.password().empty())
            move.m_entries.push_back({settings.emailAddress(), settings.password()});
    }
    return move;
}

PasswordMove::Outcome PasswordMove::storeInKeyring() const {
    using Answer = Platform::SecretStore::Outcome;
    for (const Entry& entry : m_entries) {
        const auto answer = Platform::SecretStore::store(entry.emailAddress, entry.password);
        if (answer.outcome == Answer::Done)
            continue;
        // No keyring from the start: the file is where passwords live here.
        if (answer.outcome == Answer::NoService && &entry == &m_entries.front())
            return {Outcome::Kind::NoKeyring, {}};
        return {Outcome::Kind::Refused, "the password of " + entry.emailAddress +
                                            " could not go there: " + keyringRefusal(answer)};
    }
    return {Outcome::Kind::Stored, {}};
}
