#include "transport/MailboxWalk.h"

#include "logic/Mail.h"
#include "transport/Pop3Session.h"

#include <algorithm>

namespace {

// Asked for with the two ends, on a guess: little, since most checks find nothing new.
constexpr int kWithTheEnds = 2;
// Then batches from this size, doubling: 10 new messages cost two round trips after STAT.
constexpr int kFirstBatch = 8;
constexpr int kLargestBatch = 32;

} // namespace

MailboxWalk::MailboxWalk(Pop3Session& session, const AccountCheckEntry& entry,
                         std::size_t maxWalked)
    : m_session(session), m_entry(entry), m_maxWalked(maxWalked) {}

MailboxWalk::End MailboxWalk::run(int count) {
    m_count = count;
    if (count <= 0)
        return End::Complete;
    m_session.askTop(1, 0);
    m_session.askTop(count, 0);
    // Most servers list the newest message last: the two below it go out with the two ends,
    // so a few new messages cost no round trip of their own. A server that lists the other way
    // round has those replies dropped.
    int asked = askBatch(count - 2, -1, kWithTheEnds);
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
    if (!ascending && asked > 0) {
        if (!m_session.dropUnread())
            return failed();
        asked = 0;
    }
    if (!take(ascending ? last : first)) {
        m_session.dropUnread();
        return End::Complete;
    }

    int next = ascending ? count - 2 : 1;
    int batch = kFirstBatch;
    while (next >= 0 && next < count && m_walked < m_maxWalked) {
        int size = asked;
        asked = 0;
        if (size == 0) {
            size = askBatch(next, step, batch);
            batch = std::min(batch * 2, kLargestBatch);
        }
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
    }
    return End::Complete;
}

int MailboxWalk::askBatch(int from, int step, int batch) {
    const int left = step < 0 ? from + 1 : m_count - from;
    // The message at the newest end counts as looked at before any batch.
    const std::size_t walked = std::max<std::size_t>(m_walked, 1);
    if (left <= 0 || walked >= m_maxWalked)
        return 0;
    const int size = static_cast<int>(std::min<std::size_t>(
        static_cast<std::size_t>(std::min(batch, left)), m_maxWalked - walked));
    for (int i = 0; i < size; ++i)
        m_session.askTop(from + i * step + 1, 0);
    return size;
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
