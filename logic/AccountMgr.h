#pragma once

#include "foundation/SaveLoadFwd.h"
#include "logic/Account.h"
#include "logic/AccountLock.h"

#include <cstddef>
#include <list>
#include <memory>
#include <string_view>

namespace Logic {

class Mail;

/// Owns every account for the whole run, in the order they were added: the order of the Accounts
/// page, of the data file and of the check. Every operation expects the caller to hold
/// accountLock(); the manager never takes it itself.
class AccountMgr {
public:
    static constexpr std::size_t kEnd = static_cast<std::size_t>(-1);

    /// Loads the accounts of a "Logic::AccountMgr" record; the null reader (no data file) gives
    /// an empty manager. A damaged record throws Norq::SaveLoad::Failure.
    explicit AccountMgr(Norq::SaveLoad::Reader& reader);
    ~AccountMgr();

    AccountMgr(const AccountMgr&) = delete;
    AccountMgr& operator=(const AccountMgr&) = delete;

    AccountLock& accountLock() { return m_accountLock; }

    void save(Norq::SaveLoad::Writer& writer) const;
    /// The ids each account's checks have seen, in a record of their own, and why the last
    /// check of each failing account failed, in a second one: the state file beside the data
    /// file.
    void saveSeenMessages(Norq::SaveLoad::Writer& writer) const;
    /// Gives the accounts the ids a "Logic::SeenState" record holds for them, and the reasons
    /// of a "Logic::FailureState" record after it (a file without one is from an older copy).
    /// A damaged record gives none to any account: their next checks walk by date, as on a
    /// first check. Never throws.
    void loadSeenMessages(Norq::SaveLoad::Reader& reader);

    /// Inserts the account before `position` (appends by default). The caller has made sure that no
    /// other account has the same e-mail address.
    Account& addAccount(std::unique_ptr<Account> account, std::size_t position = kEnd);
    /// Unlinks this very account and hands it back for the caller to destroy; nullptr when the
    /// manager does not hold it.
    std::unique_ptr<Account> removeAccount(Account& account);

    /// Where the account stands in the list; size() when the manager does not hold it.
    std::size_t positionOf(const Account& account) const;
    /// The account whose address is byte for byte `emailAddress`, or else the first whose
    /// address differs from it only in the case of its letters; nullptr for none.
    Account* findByEmail(std::string_view emailAddress) const;
    /// The first account holding this very record.
    Account* findAccountOfMail(const Mail& mail) const;
    /// Removes the record from the first account that holds it; nothing when none does. The
    /// account it was taken from; nullptr for none.
    Account* markMailRead(const Mail& mail);
    void markAllRead();

    /// The accounts in list order, as Account&.
    class AccountRange {
    public:
        using Held = std::list<std::unique_ptr<Account>>;

        class Iterator {
        public:
            explicit Iterator(Held::const_iterator at) : m_at(at) {}
            Account& operator*() const { return **m_at; }
            Iterator& operator++() {
                ++m_at;
                return *this;
            }
            Iterator operator++(int) { return Iterator(m_at++); }
            bool operator==(const Iterator&) const = default;

        private:
            Held::const_iterator m_at;
        };

        explicit AccountRange(const Held& accounts) : m_accounts(accounts) {}
        Iterator begin() const { return Iterator(m_accounts.begin()); }
        Iterator end() const { return Iterator(m_accounts.end()); }

    private:
        const Held& m_accounts;
    };
    AccountRange accounts() const { return AccountRange(m_accounts); }
    std::size_t size() const { return m_accounts.size(); }

private:
    /// A record of one entry per account: the tag, the count, then each account's address and
    /// what `writeEntry` writes for it.
    template <class Write>
    void writeAccountRecord(Norq::SaveLoad::Writer& writer, std::string_view tag,
                            Write&& writeEntry) const;
    /// Reads such a record; `readEntry` reads one entry and says whether it is sound. Only when
    /// the whole record is, `apply` gives each entry to its account (those no account here has
    /// are dropped). False for a damaged record.
    template <class Entry, class Read, class Apply>
    bool readAccountRecord(Norq::SaveLoad::Reader& reader, std::string_view tag, Read&& readEntry,
                           Apply&& apply);

    AccountLock m_accountLock;
    std::list<std::unique_ptr<Account>> m_accounts;
};

} // namespace Logic
