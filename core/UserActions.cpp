#include "core/UserActions.h"

#include "core/LogicCore.h"
#include "logic/Mail.h"

template <class Change> ActionResult UserActions::apply(Change&& change, ActionResult refusal) {
    std::lock_guard accountLock(m_core.accountMgr().accountLock());
    if (!change(m_core.accountMgr()))
        return refusal;
    return m_core.saveAll() ? ActionResult::Saved : ActionResult::NotSaved;
}

ActionResult UserActions::markRead(const std::vector<const Logic::Mail*>& mails) {
    return apply(
        [&](Logic::AccountMgr& manager) {
            for (const Logic::Mail* mail : mails)
                manager.markMailRead(*mail);
            return true;
        },
        ActionResult::Saved);
}

ActionResult UserActions::markAllRead() {
    return apply(
        [](Logic::AccountMgr& manager) {
            manager.markAllRead();
            return true;
        },
        ActionResult::Saved);
}

ActionResult UserActions::clearAccountMails(std::string_view emailAddress) {
    return apply(
        [&](Logic::AccountMgr& manager) {
            Logic::Account* account = manager.findByEmail(emailAddress);
            if (account != nullptr)
                account->clearMails();
            return account != nullptr;
        },
        ActionResult::NoSuchAccount);
}

ActionResult UserActions::addAccount(std::unique_ptr<Logic::Account> account) {
    return apply(
        [&](Logic::AccountMgr& manager) {
            if (manager.findByEmail(account->connectionSettings().emailAddress()) != nullptr)
                return false;
            manager.addAccount(std::move(account));
            return true;
        },
        ActionResult::AddressTaken);
}

ActionResult UserActions::removeAccount(std::string_view emailAddress) {
    Logic::AccountMgr& manager = m_core.accountMgr();
    std::lock_guard accountLock(manager.accountLock());
    Logic::Account* account = manager.findByEmail(emailAddress);
    if (account == nullptr)
        return ActionResult::NoSuchAccount;
    const auto position = manager.positionOf(*account);
    std::unique_ptr<Logic::Account> removed = manager.removeAccount(*account);
    if (m_core.saveAll())
        return ActionResult::Saved;
    manager.addAccount(std::move(removed), position);
    return ActionResult::NotSaved;
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
                                                 const Logic::AccountPreferences& preferences) {
    return apply(
        [&](Logic::AccountMgr& manager) {
            Logic::Account* account = manager.findByEmail(emailAddress);
            if (account == nullptr)
                return false;
            Logic::ConnectionSettings replacement = settings;
            replacement.setEmailAddress(std::string(emailAddress));
            account->setConnectionSettings(replacement);
            account->setPreferences(preferences);
            return true;
        },
        ActionResult::NoSuchAccount);
}
