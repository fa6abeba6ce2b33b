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
// Mail servers deliver out of order by seconds or minutes, seldom by hours: a message not seen
// before but dated this much before the newest one known is old mail the ids do not reach.
constexpr std::int64_t kOlderThanKnown = 24 * 60 * 60;

} // namespace

MailboxWalk::MailboxWalk(Pop3Session& session, const AccountCheckEntry& entry,
                         std::size_t maxWalked, std::size_t maxBytes)
    : m_session(session), m_entry(entry), m_maxWalked(maxWalked), m_maxBytes(maxBytes) {}

MailboxWalk::End MailboxWalk::run(int count) {
    m_count = count;
    m_withIds = m_session.capabilities().uidl;
    m_byIds = m_withIds && m_entry.seen.walkedThrough();
    if (count <= 0)
        return End::Complete;
    ask(1);
    ask(count);
    // Most servers list the newest message last: the two below it go out with the two ends,
    // so a few new messages cost no round trip of their own. A server that lists the other way
    // round has those replies dropped.
    int asked = askBatch(count - 2, -1, kWithTheEnds);
    // Without the two ends the order is unknown; a refusal here is a broken server, not a
    // message to step over.
    const Message first = fetch();
    if (!first.mail)
        return failed();
    const Message last = fetch();
    if (!last.mail)
        return failed();

    // Servers list the mailbox oldest first as a rule, but not all do; the first and the last
    // message tell which end is the newest when both are dated.
    const MailDate& firstDate = first.mail->received();
    const MailDate& lastDate = last.mail->received();
    const bool ascending = !firstDate.isKnown() || !lastDate.isKnown() || firstDate < lastDate;
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
            if (m_session.bytesReceived() > m_maxBytes)
                return End::Cut;
            const Message message = fetch();
            if (!message.mail && m_session.failure() != Pop3Failure::Refused)
                return brokenOff();
            if (!message.mail) {
                ++m_walked;
                continue;
            }
            if (!take(message)) {
                // The walk is complete; replies still on their way change nothing.
                m_session.dropUnread();
                return End::Complete;
            }
        }
        next += size * step;
    }
    return End::Complete;
}

Logic::SeenMessages MailboxWalk::seenMessages(End end) const {
    Logic::SeenMessages seen = m_entry.seen;
    if (m_withIds && end == End::Complete)
        seen.walkEnded(m_walkedIds);
    else if (m_withIds && end == End::Cut)
        seen.walkCut(m_newIds);
    return seen;
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
        ask(from + i * step + 1);
    return size;
}

void MailboxWalk::ask(int number) {
    if (m_withIds)
        m_session.askUidl(number);
    m_session.askTop(number, 0);
}

MailboxWalk::Message MailboxWalk::fetch() {
    Message message;
    // A message without a usable id is judged by its date.
    if (m_withIds && !m_session.readUidl(message.id)) {
        message.id.clear();
        const Pop3Failure why = m_session.failure();
        if (why != Pop3Failure::Refused && why != Pop3Failure::Malformed)
            return {};
    }
    std::string header;
    if (!m_session.readTop(header))
        return {};
    message.mail = std::make_shared<Logic::Mail>(m_entry.connectionSettings.emailAddress(), header);
    return message;
}

bool MailboxWalk::take(const Message& message) {
    ++m_walked;
    using Seen = Logic::SeenMessages::Seen;
    const Seen seen = message.id.empty() ? Seen::No : m_entry.seen.find(message.id);
    if (seen == Seen::Passed && m_byIds)
        return false;
    if (!message.id.empty())
        m_walkedIds.push_back(message.id);
    // Reported by a walk that was cut short: told once is enough.
    if (seen != Seen::No)
        return true;
    bool endsWalk = false;
    if (isNew(message, endsWalk)) {
        m_newMails.push_back(message.mail);
        if (!message.id.empty())
            m_newIds.push_back(message.id);
    }
    return !endsWalk;
}

bool MailboxWalk::isNew(const Message& message, bool& endsWalk) const {
    const MailDate& received = message.mail->received();
    if (m_byIds && !message.id.empty()) {
        endsWalk = received.isKnown() &&
                   received.instant() < m_entry.newestKnown.instant() - kOlderThanKnown;
        return !endsWalk;
    }
    if (!received.isKnown())
        return false;
    endsWalk = !(received > m_entry.newestKnown);
    return !endsWalk;
}

MailboxWalk::End MailboxWalk::failed() const {
    return m_session.failure() == Pop3Failure::Stopped ? End::Stopped : End::Failed;
}

MailboxWalk::End MailboxWalk::brokenOff() const {
    return m_session.failure() == Pop3Failure::OutOfTime ? End::Cut : failed();
}
