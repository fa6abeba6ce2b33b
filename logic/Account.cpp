#include "logic/Account.h"

#include "foundation/SaveLoad.h"
#include "logic/Mail.h"

#include <algorithm>
#include <limits>

namespace Logic {
namespace {

constexpr const char* kTag = "Logic::Account";
constexpr std::time_t kFirstCheckReach = 48 * 60 * 60;

} // namespace

Account::Account(std::time_t createdAt) : m_newestMail(newAccountMark(createdAt)) {}

Account::Account(Norq::SaveLoad::Reader& reader) {
    reader.readHeader(kTag);
    m_connectionSettings = ConnectionSettings(reader);
    m_preferences = AccountPreferences(reader);
    reader.read(m_newestMail.time);
    reader.read(m_newestMail.zoneOffset);
    std::uint32_t count = 0;
    reader.read(count);
    // The count comes from the file and may be garbage: nothing is sized by it, and a record
    // that is not there ends the loop with a failure instead.
    for (std::uint32_t i = 0; i < count; ++i)
        m_mails.push_back(std::make_shared<Mail>(reader));
}

Account::~Account() = default;

void Account::save(Norq::SaveLoad::Writer& writer) const {
    writer.writeHeader(kTag);
    m_connectionSettings.save(writer);
    m_preferences.save(writer);
    writer.write(m_newestMail.time);
    writer.write(m_newestMail.zoneOffset);
    writer.write(static_cast<std::uint32_t>(m_mails.size()));
    for (const auto& mail : m_mails)
        mail->save(writer);
}

void Account::mergeNewMails(const MailList& newMails, Mark mark) {
    for (const auto& mail : newMails) {
        if (mail)
            m_mails.push_back(mail);
    }
    std::stable_sort(m_mails.begin(), m_mails.end(),
                     [](const auto& a, const auto& b) { return a->received() > b->received(); });
    // Only ever forward: were the mark to go back, messages already marked read would be
    // reported again by the next check.
    if (mark == Mark::Advance && !m_mails.empty() && m_mails.front()->received() > m_newestMail)
        m_newestMail = m_mails.front()->received();
}

SeenMessages Account::seenMessages() const {
    const std::string mailbox = m_connectionSettings.mailboxKey();
    return m_seen.mailbox() == mailbox ? m_seen : SeenMessages(mailbox);
}

Account::MailList Account::takeImapCheck(const ImapMark& mark,
                                         const std::vector<std::uint32_t>& unseen,
                                         const MailList& found) {
    MailList fresh;
    for (const auto& mail : found) {
        const auto same = std::find_if(m_mails.begin(), m_mails.end(), [&](const auto& held) {
            return held->messageIdSum() == mail->messageIdSum() &&
                   held->received() == mail->received();
        });
        if (mark.uidValidity != m_imapMark.uidValidity && same != m_mails.end())
            (*same)->setImapUid(mail->imapUid());
        else
            fresh.push_back(mail);
    }
    std::erase_if(m_mails, [&](const auto& held) {
        return held->imapUid() == 0 ||
               !std::binary_search(unseen.begin(), unseen.end(), held->imapUid());
    });
    m_imapMark = mark;
    return fresh;
}

bool Account::removeMail(const Mail& mail) {
    const auto found = std::find_if(m_mails.begin(), m_mails.end(),
                                    [&mail](const auto& held) { return held.get() == &mail; });
    if (found == m_mails.end())
        return false;
    m_mails.erase(found);
    return true;
}

void Account::clearMails() {
    m_mails.clear();
}

MailDate Account::newAccountMark(std::time_t createdAt) {
    // The UTC date and time read back as local wall-clock time: the same shift that turning a
    // header's date into seconds gives, so comparing the two is comparing UTC instants.
    const std::time_t start = createdAt - kFirstCheckReach;
    std::tm broken{};
    gmtime_r(&start, &broken);
    // Daylight saving is left for mktime to find, as it is for the headers' dates; fixing it
    // to "off" would shorten the reach by an hour all summer.
    broken.tm_isdst = -1;
    const std::time_t local = std::mktime(&broken);
    MailDate mark;
    mark.time = static_cast<std::int32_t>(std::clamp<std::time_t>(
        local, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
    return mark;
}

void Account::checkFailed(std::string reason) {
    m_failureReason = std::move(reason);
    if (m_failuresInARow < std::numeric_limits<int>::max())
        ++m_failuresInARow;
}

void Account::checkSucceeded() {
    m_failureReason.clear();
    m_failuresInARow = 0;
}

} // namespace Logic
