#pragma once

#include "core/ModelObserver.h"
#include "logic/Account.h"

#include <memory>
#include <string_view>
#include <vector>

class LogicCore;
class PasswordMove;

namespace Logic {
class Mail;
}

/// What the user does to the model from the pages, the dialogs and the command line, in one
/// place: each operation takes the account lock, changes the model, saves it and tells the
/// core's model observer what changed. The counterpart of CheckModelUpdater, which applies a
/// check. Callers never take a lock.
class UserActions {
public:
    explicit UserActions(LogicCore& core) : m_core(core) {}

    /// Marks these messages read; a message no account holds any more is skipped.
    ActionResult markRead(const std::vector<const Logic::Mail*>& mails);
    ActionResult markAllRead();
    /// Every message of the account becomes read, as after its read-mail action.
    ActionResult clearAccountMails(std::string_view emailAddress);
    /// Appends the account unless another one has its address.
    ActionResult addAccount(std::unique_ptr<Logic::Account> account);
    /// Removes the account only if the data file can be written without it: an account that
    /// comes back at the next start after it seemed gone would be worse than one that stays.
    /// Its password's keyring item is then deleted on the keyring's thread.
    ActionResult removeAccount(std::string_view emailAddress);
    /// The messages the notification window has not shown yet, every account in order, each
    /// newest first; they are flagged as shown at once and saved, so a message is offered at
    /// most once in its lifetime, also across restarts. Nothing is flagged when the list is
    /// empty.
    struct MailsToNotify {
        Logic::Account::MailList mails;
        ActionResult result = ActionResult::Saved;
    };
    MailsToNotify takeMailsToNotify();
    /// Replaces the connection settings and preferences of the account with this address. The
    /// address is the account's identity and stays as it is. `passwordTyped`: a password was
    /// typed anew, which a keyring account's settings do not show.
    ActionResult replaceAccountSettings(std::string_view emailAddress,
                                        const Logic::ConnectionSettings& settings,
                                        const Logic::AccountPreferences& preferences,
                                        bool passwordTyped = false);
    /// The passwords of the move, which the keyring took, leave the accounts that still keep
    /// them (an account edited meanwhile keeps its own), and the file is saved without them.
    ActionResult keepPasswordsInKeyring(const PasswordMove& move);

private:
    /// Runs `change` under the account lock; it returns false when it changed nothing, and the
    /// result is then `refusal`. Otherwise the model is saved.
    template <class Change> ActionResult apply(Change&& change, ActionResult refusal);
    /// Tells the observer of a change that happened (Saved or NotSaved); passes `result` on.
    ActionResult tell(ModelChange::Kind kind, std::string_view emailAddress, ActionResult result);

    LogicCore& m_core;
};
