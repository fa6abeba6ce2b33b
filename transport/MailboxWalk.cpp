#include "transport/MailboxWalk.h"

#include "logic/Mail.h"
#include "transport/Pop3Session.h"

#include <algorithm>

namespace {

constexpr int kFirstBatch = 4;
constexpr int kLargestBatch = 32;

} // namespace

MailboxWalk::MailboxWalk(Pop3Session& session, const AccountCheckEntry& entry,
                         std::size_t maxWalked)
    : m_session(session), m_entry(entry), m_maxWalked(maxWalked) {}

MailboxWalk::End MailboxWalk::run(int count) {
    if (count <= 0)
        return End::Complete;
    m_session.askTop(1, 0);
    m_session.askTop(count, 0);
    // Without the two ends the order is unknown; a refusal here is a broken server, not a
    // message to step over.
    const auto first = fetch();
    if (!first)
        return failed();
    const auto last = fetch();
    if (!last)
        return failed();

    // Servers list the mailbox oldest first as a rule, but not all do; the first and the last
    // message tell which end is the newest when both are dated.
    const bool ascending = !first->received().isKnown() || !last->received().isKnown() ||
                           first->received() < last->received();
    const int step = ascending ? -1 : 1;
    if (!take(ascending ? last : first))
        return End::Complete;

    int next = ascending ? count - 2 : 1;
    int batch = kFirstBatch;
    while (next >= 0 && next < count && m_walked < m_maxWalked) {
        const int left = ascending ? next + 1 : count - next;
        const int size = static_cast<int>(std::min<std::size_t>(
            static_cast<std::size_t>(std::min(batch, left)), m_maxWalked - m_walked));
        for (int i = 0; i < size; ++i)
            m_session.askTop(next + i * step + 1, 0);
        for (int i = 0; i < size; ++i) {
            const auto mail = fetch();
            if (!mail && m_session.failure() != Pop3Failure::Refused)
                return failed();
            if (!mail) {
                ++m_walked;
                continue;
            }
            if (!take(mail)) {
                // The walk is complete; replies still on their way change nothing.
                m_session.dropUnread();
                return End::Complete;
            }
        }
        next += size * step;
        batch = std::min(batch * 2, kLargestBatch);
    }
    return End::Complete;
}

std::shared_ptr<Logic::Mail> MailboxWalk::fetch() {
    std::string header;
    if (!m_session.readTop(header))
        return nullptr;
    return std::make_shared<Logic::Mail>(m_entry.connectionSettings.emailAddress(), header);
}

bool MailboxWalk::take(const std::shared_ptr<Logic::Mail>& mail) {
    ++m_walked;
    if (!mail->received().isKnown())
        return true;
    if (!(mail->received() > m_entry.newestKnown))
        return false;
    m_newMails.push_back(mail);
    return true;
}

MailboxWalk::End MailboxWalk::failed() const {
    return m_session.failure() == Pop3Failure::Stopped ? End::Stopped : End::Failed;
}
