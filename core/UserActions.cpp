#include "core/UserActions.h"

#include "core/LogicCore.h"
#include "core/ModelReader.h"
#include "core/PasswordMove.h"
#include "foundation/Reporter.h"
#include "logic/Mail.h"
#include "platform/SecretStore.h"
#include "transport/ImapMailboxOpening.h"

#include <map>

namespace {

// Deletes the keyring item of a removed account, unless an account with its address was added
// again meanwhile and keeps its new password there.
void forgetPassword(LogicCore& core, const std::string& emailAddress) {
    if (const auto again = ModelReader(core).account(emailAddress);
        again && again->passwordInKeyring)
        return;
    const auto answer = Platform::SecretStore::remove(emailAddress);
    using Outcome = Platform::SecretStore::Outcome;
    if (answer.outcome != Outcome::Done && answer.outcome != Outcome::NotFound)
        Norq::report("Keyring", "the password of a removed account stays in the keyring",
                     emailAddress + ": " + answer.reason);
}

// The messages an action marks read whose IMAP account marks them read on the server too.
class ServerMarks {
public:
    void add(const Logic::Account& account, std::uint32_t uid) {
        const Logic::ConnectionSettings& settings = account.connectionSettings();
        if (uid == 0 || settings.protocol() != Logic::ConnectionSettings::Protocol::Imap ||
            !account.preferences().markReadOnServer())
            return;
        auto& [marked, uids] = m_byAccount[settings.emailAddress()];
        marked = settings;
        uids.push_back(uid);
    }
    void addAll(const Logic::Account& account) {
        for (const auto& mail : account.mails())
            add(account, mail->imapUid());
    }
    // On the core's server thread: a server that cannot be reached leaves the messages unread
    // there, as they would be without the setting.
    void post(LogicCore& core) {
        for (auto& [address, marks] : m_byAccount)
            core.serverWork().post([settings = marks.first, uids = std::move(marks.second)] {
                if (const auto problem = markSeenOnServer(settings, uids))
                    Norq::report("Imap", "messages could not be marked read on the server",
                                 settings.emailAddress() + ": " + problem->reason);
            });
        m_byAccount.clear();
    }

private:
    std::map<std::string, std::pair<Logic::ConnectionSettings, std::vector<std::uint32_t>>>
        m_byAccount;
};

} // namespace

template <class Change> ActionResult UserActions::apply(Change&& change, ActionResult refusal) {
    std::lock_guard accountLock(m_core.accountMgr().accountLock());
    if (!change(m_core.accountMgr()))
        return refusal;
    return m_core.saveAll() ? ActionResult::Saved : ActionResult::NotSaved;
}

ActionResult UserActions::tell(ModelChange::Kind kind, std::string_view emailAddress,
                               ActionResult result) {
    if (ModelObserver* observer = m_core.modelObserver();
        observer != nullptr && (result == ActionResult::Saved || result == ActionResult::NotSaved))
        observer->modelChanged({kind, std::string(emailAddress), result});
    return result;
}

ActionResult UserActions::markRead(const std::vector<const Logic::Mail*>& mails) {
    ServerMarks marks;
    const ActionResult result = apply(
        [&](Logic::AccountMgr& manager) {
            for (const Logic::Mail* mail : mails) {
                const std::uint32_t uid = mail->imapUid();
                if (const Logic::Account* from = manager.markMailRead(*mail))
                    marks.add(*from, uid);
            }
            return true;
        },
        ActionResult::Saved);
    marks.post(m_core);
    return tell(ModelChange::Kind::Unread, {}, result);
}

ActionResult UserActions::markAllRead() {
    ServerMarks marks;
    const ActionResult result = apply(
        [&](Logic::AccountMgr& manager) {
            for (const Logic::Account& account : manager.accounts())
                marks.addAll(account);
            manager.markAllRead();
            return true;
        },
        ActionResult::Saved);
    marks.post(m_core);
    return tell(ModelChange::Kind::Unread, {}, result);
}

ActionResult UserActions::clearAccountMails(std::string_view emailAddress) {
    ServerMarks marks;
    const ActionResult result = apply(
        [&](Logic::AccountMgr& manager) {
            Logic::Account* account = manager.findByEmail(emailAddress);
            if (account != nullptr) {
                marks.addAll(*account);
                account->clearMails();
            }
            return account != nullptr;
        },
        ActionResult::NoSuchAccount);
    marks.post(m_core);
    return tell(ModelChange::Kind::Unread, emailAddress, result);
}

ActionResult UserActions::addAccount(std::unique_ptr<Logic::Account> account) {
    const std::string address = account->connectionSettings().emailAddress();
    const ActionResult result = apply(
        [&](Logic::AccountMgr& manager) {
            if (manager.findByEmail(address) != nullptr)
                return false;
            manager.addAccount(std::move(account));
            return true;
        },
        ActionResult::AddressTaken);
    return tell(ModelChange::Kind::AccountAdded, address, result);
}

ActionResult UserActions::removeAccount(std::string_view emailAddress) {
    ActionResult result = ActionResult::NoSuchAccount;
    std::string removedAddress; // as the account has it, whatever case was typed
    bool inKeyring = false;
    {
        Logic::AccountMgr& manager = m_core.accountMgr();
        std::lock_guard accountLock(manager.accountLock());
        Logic::Account* account = manager.findByEmail(emailAddress);
        if (account == nullptr)
            return result;
        removedAddress = account->connectionSettings().emailAddress();
        inKeyring = account->connectionSettings().passwordPlace() ==
                    Logic::ConnectionSettings::PasswordPlace::Keyring;
        const auto position = manager.positionOf(*account);
        std::unique_ptr<Logic::Account> removed = manager.removeAccount(*account);
        result = m_core.saveAll() ? ActionResult::Saved : ActionResult::NotSaved;
        if (result == ActionResult::NotSaved)
            manager.addAccount(std::move(removed), position);
    }
    if (inKeyring && result == ActionResult::Saved)
        m_core.keyringWork().post(
            [&core = m_core, removedAddress] { forgetPassword(core, removedAddress); });
    return tell(ModelChange::Kind::AccountRemoved, removedAddress, result);
}

UserActions::MailsToNotify UserActions::takeMailsToNotify() {
    MailsToNotify taken;
    Logic::Account::MailList& mails = taken.mails;
    taken.result = apply(
        [&](Logic::AccountMgr& manager) {
            for (const Logic::Account& account : manager.accounts()) {
                for (const auto& mail : account.mails()) {
                    if (!mail->notified()) {
                        mail->setNotified();
                        mails.push_back(mail);
                    }
                }
            }
            return !mails.empty();
        },
        ActionResult::Saved);
    return taken;
}

ActionResult UserActions::replaceAccountSettings(std::string_view emailAddress,
                                                 const Logic::ConnectionSettings& settings,
                                                 const Logic::AccountPreferences& preferences,
                                                 bool passwordTyped) {
    bool reachedAnew = false;
    const ActionResult result = apply(
        [&](Logic::AccountMgr& manager) {
            Logic::Account* account = manager.findByEmail(emailAddress);
            if (account == nullptr)
                return false;
            const Logic::ConnectionSettings& before = account->connectionSettings();
            reachedAnew = passwordTyped || before.serverName() != settings.serverName() ||
                          before.port() != settings.port() ||
                          before.useTls() != settings.useTls() ||
                          before.userLogin() != settings.userLogin() ||
                          before.password() != settings.password();
            Logic::ConnectionSettings replacement = settings;
            replacement.setEmailAddress(std::string(emailAddress));
            account->setConnectionSettings(replacement);
            account->setPreferences(preferences);
            return true;
        },
        ActionResult::NoSuchAccount);
    const auto kind =
        reachedAnew ? ModelChange::Kind::AccountReachedAnew : ModelChange::Kind::AccountEdited;
    return tell(kind, emailAddress, result);
}

ActionResult UserActions::keepPasswordsInKeyring(const PasswordMove& move) {
    std::vector<std::string> moved;
    const ActionResult result = apply(
        [&](Logic::AccountMgr& manager) {
            for (const PasswordMove::Entry& entry : move.entries()) {
                Logic::Account* account = manager.findByEmail(entry.emailAddress);
                if (account == nullptr)
                    continue;
                Logic::ConnectionSettings settings = account->connectionSettings();
                if (settings.passwordPlace() != Logic::ConnectionSettings::PasswordPlace::File ||
                    settings.password() != entry.password)
                    continue;
                settings.setPasswordPlace(Logic::ConnectionSettings::PasswordPlace::Keyring);
                settings.setPassword({});
                account->setConnectionSettings(settings);
                moved.push_back(entry.emailAddress);
            }
            return !moved.empty();
        },
        ActionResult::NoSuchAccount);
    for (const std::string& address : moved)
        tell(ModelChange::Kind::AccountEdited, address, result);
    return result;
}
