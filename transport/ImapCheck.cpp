#include "transport/ImapCheck.h"

#include "logic/Mail.h"
#include "transport/ImapSession.h"

#include <algorithm>
#include <limits>

namespace {

// UIDs fetched in one command.
constexpr std::size_t kBatch = 500;

} // namespace

ImapCheck::ImapCheck(ImapSession& session, const AccountCheckEntry& entry, std::size_t maxNewMails)
    : m_session(session), m_entry(entry), m_maxNewMails(maxNewMails) {}

std::vector<std::uint32_t> ImapCheck::toFetch(const std::vector<std::uint32_t>& unseen,
                                              const Logic::ImapMark& mark,
                                              std::uint32_t uidValidity, std::size_t maxNewMails) {
    const std::uint32_t from = uidValidity == mark.uidValidity ? mark.nextUid : 0;
    std::vector<std::uint32_t> uids;
    for (auto uid = unseen.rbegin(); uid != unseen.rend() && uids.size() < maxNewMails; ++uid) {
        if (*uid < from)
            break;
        uids.push_back(*uid);
    }
    std::reverse(uids.begin(), uids.end());
    return uids;
}

std::shared_ptr<Logic::Mail> ImapCheck::mailOf(const std::string& accountEmail,
                                               const ImapMessage& message) {
    // "17-Jul-1996 02:44:25 -0700" is a date as a Received line writes it, but for the two
    // dashes around the month.
    std::string arrival = message.internalDate;
    std::size_t at = 0;
    for (int dash = 0; dash < 2; ++dash) {
        const auto found = arrival.find('-', at);
        if (found == std::string::npos)
            break;
        arrival[found] = ' ';
        at = found;
    }
    auto mail = std::make_shared<Logic::Mail>(accountEmail, "Received: by imap; " + arrival +
                                                                "\r\n" + message.header);
    mail->setImapUid(message.uid);
    return mail;
}

bool ImapCheck::run(const ImapMailboxState& state, std::vector<std::uint32_t> unseen) {
    std::sort(unseen.begin(), unseen.end());
    unseen.erase(std::unique(unseen.begin(), unseen.end()), unseen.end());
    const auto ascending = toFetch(unseen, m_entry.imapMark, state.uidValidity, m_maxNewMails);
    // In batches, oldest first: each answer has the reply's time limit, and a byte limit met
    // half way leaves the mark right behind the last message fetched. The LOGOUT goes with the
    // last one.
    if (ascending.empty())
        m_session.logout();
    std::vector<ImapMessage> messages;
    for (std::size_t from = 0; from < ascending.size() && !m_session.fetchCut(); from += kBatch) {
        const auto begin = ascending.begin() + static_cast<std::ptrdiff_t>(from);
        const std::size_t count = std::min(kBatch, ascending.size() - from);
        const std::vector<std::uint32_t> batch(begin, begin + static_cast<std::ptrdiff_t>(count));
        std::vector<ImapMessage> fetched;
        if (!m_session.fetchHeaders(batch, fetched, from + count == ascending.size()))
            return false;
        messages.insert(messages.end(), fetched.begin(), fetched.end());
    }
    const std::string& address = m_entry.connectionSettings.emailAddress();
    for (const ImapMessage& message : messages) {
        if (!message.seen)
            m_findings.newMails.push_back(mailOf(address, message));
    }
    std::sort(m_findings.newMails.begin(), m_findings.newMails.end(),
              [](const auto& a, const auto& b) { return a->imapUid() > b->imapUid(); });
    m_findings.cut = m_session.fetchCut();
    // The next UID the server will give, or else past the newest one seen; after a fetch cut
    // short, past the newest one fetched, so that the next check reads on from there.
    std::uint32_t next = state.uidNext;
    if (m_findings.cut)
        next = messages.empty() ? m_entry.imapMark.nextUid : messages.back().uid + 1;
    else if (!unseen.empty() && unseen.back() >= next &&
             unseen.back() < std::numeric_limits<std::uint32_t>::max())
        next = unseen.back() + 1;
    if (state.uidValidity == m_entry.imapMark.uidValidity)
        next = std::max(next, m_entry.imapMark.nextUid);
    m_findings.imap = CheckFindings::Imap{{state.uidValidity, next}, std::move(unseen)};
    return true;
}
