#pragma once

namespace Logic {

class Account;

/// Told when the account manager's list changes; the main window implements it.
class AccountObserver {
public:
    virtual ~AccountObserver() = default;
    /// The account has just been appended.
    virtual void accountAdded(Account& account) = 0;
    /// The account has just been unlinked and is about to be destroyed by the caller.
    virtual void accountRemoved(Account& account) = 0;
};

} // namespace Logic
