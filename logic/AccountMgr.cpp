#include "logic/AccountMgr.h"

#include "foundation/Exception.h"
#include "foundation/SaveLoad.h"
#include "logic/Mail.h"

#include <algorithm>
#include <iterator>

namespace Logic {
namespace {

constexpr const char* kTag = "Logic::AccountMgr";
constexpr const char* kSeenTag = "Logic::SeenState";

} // namespace

AccountMgr::AccountMgr(Norq::SaveLoad::Reader& reader) {
    if (reader.isNull())
        return;
    reader.readHeader(kTag);
    std::uint32_t count = 0;
    reader.read(count);
    // Trusted no further than the records that follow: a damaged count ends in a failed
    // record header, not in a huge allocation.
    for (std::uint32_t i = 0; i < count; ++i)
        m_accounts.push_back(std::make_unique<Account>(reader));
}

AccountMgr::~AccountMgr() = default;

void AccountMgr::save(Norq::SaveLoad::Writer& writer) const {
    writer.writeHeader(kTag);
    writer.write(static_cast<std::uint32_t>(m_accounts.size()));
    for (const auto& account : m_accounts)
        account->save(writer);
}

void AccountMgr::saveSeenMessages(Norq::SaveLoad::Writer& writer) const {
    writer.writeHeader(kSeenTag);
    writer.write(static_cast<std::uint32_t>(m_accounts.size()));
    for (const auto& account : m_accounts) {
        writer.write(std::string_view(account->connectionSettings().emailAddress()));
        account->heldSeenMessages().save(writer);
    }
}

void AccountMgr::loadSeenMessages(Norq::SaveLoad::Reader& reader) {
    if (reader.isNull())
        return;
    std::vector<std::pair<Account*, SeenMessages>> loaded;
    try {
        reader.readHeader(kSeenTag);
        std::uint32_t count = 0;
        reader.read(count);
        for (std::uint32_t i = 0; i < count && !reader.failed(); ++i) {
            std::string address;
            reader.read(address);
            SeenMessages seen;
            if (!seen.load(reader))
                return;
            if (Account* account = findByEmail(address))
                loaded.emplace_back(account, std::move(seen));
        }
    } catch (const Norq::SaveLoad::Failure&) {
        return;
    }
    if (reader.failed())
        return;
    for (auto& [account, seen] : loaded)
        account->setSeenMessages(std::move(seen));
}

Account& AccountMgr::addAccount(std::unique_ptr<Account> account, std::size_t position) {
    Account& added = *account;
    auto before = m_accounts.begin();
    std::advance(before, std::min(position, m_accounts.size()));
    m_accounts.insert(before, std::move(account));
    return added;
}

std::unique_ptr<Account> AccountMgr::removeAccount(Account& account) {
    auto found = m_accounts.begin();
    std::advance(found, positionOf(account));
    if (found == m_accounts.end())
        return nullptr;
    std::unique_ptr<Account> removed = std::move(*found);
    m_accounts.erase(found);
    return removed;
}

std::size_t AccountMgr::positionOf(const Account& account) const {
    const auto found =
        std::find_if(m_accounts.begin(), m_accounts.end(),
                     [&account](const auto& held) { return held.get() == &account; });
    return static_cast<std::size_t>(std::distance(m_accounts.begin(), found));
}

Account* AccountMgr::findByEmail(std::string_view emailAddress) const {
    for (const auto& account : m_accounts) {
        if (account->connectionSettings().emailAddress() == emailAddress)
            return account.get();
    }
    return nullptr;
}

Account* AccountMgr::findAccountOfMail(const Mail& mail) const {
    for (const auto& account : m_accounts) {
        const auto& mails = account->mails();
        if (std::any_of(mails.begin(), mails.end(),
                        [&mail](const auto& held) { return held.get() == &mail; }))
            return account.get();
    }
    return nullptr;
}

void AccountMgr::markMailRead(const Mail& mail) {
    for (const auto& account : m_accounts) {
        if (account->removeMail(mail))
            return;
    }
}

void AccountMgr::markAllRead() {
    for (const auto& account : m_accounts)
        account->clearMails();
}

} // namespace Logic
