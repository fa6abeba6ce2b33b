#include "logic/AccountMgr.h"

#include "foundation/Exception.h"
#include "foundation/SaveLoad.h"
#include "foundation/TextConversion.h"
#include "logic/Mail.h"

#include <algorithm>
#include <iterator>

namespace Logic {
namespace {

constexpr const char* kTag = "Logic::AccountMgr";
constexpr const char* kSeenTag = "Logic::SeenState";
constexpr const char* kFailureTag = "Logic::FailureState";
constexpr const char* kPasswordPlaceTag = "Logic::PasswordPlaces";
constexpr const char* kImapTag = "Logic::ImapAccounts";
// A reason is a sentence with the server's words; a longer one is not the program's.
constexpr std::size_t kLongestReason = 4096;

bool isImap(const Account& account) {
    return account.connectionSettings().protocol() == ConnectionSettings::Protocol::Imap;
}

// What the IMAP record keeps of an account: its protocol, the read-on-server preference, the
// mark of its checks, and the UIDs of its unread messages in their order.
struct ImapEntry {
    ConnectionSettings::Protocol protocol = ConnectionSettings::Protocol::Pop3;
    bool markReadOnServer = false;
    ImapMark mark;
    std::vector<std::uint32_t> uids;
};

bool readImapEntry(Norq::SaveLoad::Reader& reader, ImapEntry& entry) {
    std::uint16_t protocol = 0xffff;
    reader.read(protocol);
    if (protocol > static_cast<std::uint16_t>(ConnectionSettings::Protocol::Imap))
        return false;
    entry.protocol = static_cast<ConnectionSettings::Protocol>(protocol);
    reader.read(entry.markReadOnServer);
    reader.read(entry.mark.uidValidity);
    reader.read(entry.mark.nextUid);
    std::uint32_t count = 0;
    reader.read(count);
    // Trusted no further than the bytes that follow: a damaged count ends the data early.
    for (std::uint32_t i = 0; i < count && !reader.failed(); ++i) {
        std::uint32_t uid = 0;
        reader.read(uid);
        entry.uids.push_back(uid);
    }
    return !reader.failed();
}

void applyImapEntry(Account& account, const ImapEntry& entry) {
    ConnectionSettings settings = account.connectionSettings();
    settings.setProtocol(entry.protocol);
    account.setConnectionSettings(settings);
    AccountPreferences preferences = account.preferences();
    preferences.setMarkReadOnServer(entry.markReadOnServer);
    account.setPreferences(preferences);
    account.setImapMark(entry.mark);
    // UIDs that do not match the messages one for one belong to none of them.
    if (entry.uids.size() == account.mails().size())
        for (std::size_t i = 0; i < entry.uids.size(); ++i)
            account.mails()[i]->setImapUid(entry.uids[i]);
}

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
    // A file of an older copy ends here: every password is in it, every account is POP3. A
    // record that cannot be read makes the file damaged: its accounts would otherwise try an
    // empty password, or another protocol.
    if (reader.atEnd())
        return;
    if (!readAccountRecord<bool>(
            reader, kPasswordPlaceTag,
            [&](bool& inKeyring) {
                reader.read(inKeyring);
                return true;
            },
            [](Account& account, bool inKeyring) {
                ConnectionSettings settings = account.connectionSettings();
                settings.setPasswordPlace(inKeyring ? ConnectionSettings::PasswordPlace::Keyring
                                                    : ConnectionSettings::PasswordPlace::File);
                account.setConnectionSettings(settings);
            }))
        throw Norq::SaveLoad::Failure("SaveLoad: damaged password places!");
    if (!reader.atEnd() &&
        !readAccountRecord<ImapEntry>(
            reader, kImapTag, [&](ImapEntry& entry) { return readImapEntry(reader, entry); },
            applyImapEntry))
        throw Norq::SaveLoad::Failure("SaveLoad: damaged IMAP accounts!");
}

AccountMgr::~AccountMgr() = default;

void AccountMgr::save(Norq::SaveLoad::Writer& writer) const {
    writer.writeHeader(kTag);
    writer.write(static_cast<std::uint32_t>(m_accounts.size()));
    for (const auto& account : m_accounts)
        account->save(writer);
    // Only with a password in the keyring or an IMAP account: a file without either stays as
    // older copies wrote it. The IMAP record comes second, so the password places always come
    // before it.
    const bool anyInKeyring =
        std::any_of(m_accounts.begin(), m_accounts.end(), [](const auto& account) {
            return account->connectionSettings().passwordPlace() ==
                   ConnectionSettings::PasswordPlace::Keyring;
        });
    const bool anyImap = std::any_of(m_accounts.begin(), m_accounts.end(),
                                     [](const auto& account) { return isImap(*account); });
    if (anyInKeyring || anyImap)
        writeAccountRecord(writer, kPasswordPlaceTag, [&](const Account& account) {
            writer.write(account.connectionSettings().passwordPlace() ==
                         ConnectionSettings::PasswordPlace::Keyring);
        });
    if (anyImap)
        writeAccountRecord(writer, kImapTag, [&](const Account& account) {
            writer.write(static_cast<std::uint16_t>(account.connectionSettings().protocol()));
            writer.write(account.preferences().markReadOnServer());
            writer.write(account.imapMark().uidValidity);
            writer.write(account.imapMark().nextUid);
            writer.write(static_cast<std::uint32_t>(account.mails().size()));
            for (const auto& mail : account.mails())
                writer.write(mail->imapUid());
        });
}

template <class Write>
void AccountMgr::writeAccountRecord(Norq::SaveLoad::Writer& writer, std::string_view tag,
                                    Write&& writeEntry) const {
    writer.writeHeader(tag);
    writer.write(static_cast<std::uint32_t>(m_accounts.size()));
    for (const auto& account : m_accounts) {
        writer.write(std::string_view(account->connectionSettings().emailAddress()));
        writeEntry(*account);
    }
}

template <class Entry, class Read, class Apply>
bool AccountMgr::readAccountRecord(Norq::SaveLoad::Reader& reader, std::string_view tag,
                                   Read&& readEntry, Apply&& apply) {
    std::vector<std::pair<Account*, Entry>> loaded;
    try {
        reader.readHeader(tag);
        std::uint32_t count = 0;
        reader.read(count);
        for (std::uint32_t i = 0; i < count && !reader.failed(); ++i) {
            std::string address;
            reader.read(address);
            Entry entry;
            if (!readEntry(entry))
                return false;
            if (Account* account = findByEmail(address))
                loaded.emplace_back(account, std::move(entry));
        }
    } catch (const Norq::SaveLoad::Failure&) {
        return false;
    }
    if (reader.failed())
        return false;
    for (auto& [account, entry] : loaded)
        apply(*account, entry);
    return true;
}

void AccountMgr::saveSeenMessages(Norq::SaveLoad::Writer& writer) const {
    writeAccountRecord(writer, kSeenTag,
                       [&](const Account& account) { account.heldSeenMessages().save(writer); });
    writeAccountRecord(writer, kFailureTag, [&](const Account& account) {
        writer.write(std::string_view(account.failureReason()));
    });
}

void AccountMgr::loadSeenMessages(Norq::SaveLoad::Reader& reader) {
    if (reader.isNull())
        return;
    const bool seenRead = readAccountRecord<SeenMessages>(
        reader, kSeenTag, [&](SeenMessages& seen) { return seen.load(reader); },
        [](Account& account, SeenMessages& seen) { account.setSeenMessages(std::move(seen)); });
    // A file of an older copy ends here.
    if (seenRead && !reader.atEnd())
        readAccountRecord<std::string>(
            reader, kFailureTag,
            [&](std::string& reason) {
                reader.read(reason);
                return reason.size() <= kLongestReason;
            },
            [](Account& account, std::string& reason) {
                account.setEarlierFailure(std::move(reason));
            });
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
    Account* sameButCase = nullptr;
    for (const auto& account : m_accounts) {
        const std::string& own = account->connectionSettings().emailAddress();
        if (own == emailAddress)
            return account.get();
        if (sameButCase == nullptr && Norq::equalIgnoringAsciiCase(own, emailAddress))
            sameButCase = account.get();
    }
    return sameButCase;
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

Account* AccountMgr::markMailRead(const Mail& mail) {
    for (const auto& account : m_accounts) {
        if (account->removeMail(mail))
            return account.get();
    }
    return nullptr;
}

void AccountMgr::markAllRead() {
    for (const auto& account : m_accounts)
        account->clearMails();
}

} // namespace Logic
