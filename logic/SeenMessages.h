#pragma once

#include "foundation/SaveLoadFwd.h"

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

namespace Logic {

/// The unique ids (UIDL) of the messages that an account's checks have looked at in its mailbox,
/// newest first, so that a walk can go on until it meets a message it has seen, whatever the
/// messages' dates say. Only the newest ids are kept: a walk starts at the newest end.
///
/// An id is either passed (a walk that went through to its end looked at it) or only reported
/// (a walk cut short by its time or size limit reported it, and what lies behind it was not
/// looked at). A walk ends at a passed id; it steps over a reported one without reporting it
/// again. The ids belong to one mailbox — a server, port and login — and mean nothing for
/// another.
class SeenMessages {
public:
    /// So many ids are kept, the newest; a walk never reaches further back than its newest
    /// seen message.
    static constexpr std::size_t kKept = 5000;

    enum class Seen { No, Passed, Reported };

    SeenMessages() = default;
    explicit SeenMessages(std::string mailbox) : m_mailbox(std::move(mailbox)) {}

    /// "login@server:port": the mailbox the ids were read from.
    const std::string& mailbox() const { return m_mailbox; }
    /// True once a walk went through to its end: only then does a passed id end a walk, and
    /// only then can a mailbox be walked by its ids instead of its dates.
    bool walkedThrough() const { return m_walkedThrough; }
    Seen find(const std::string& id) const;

    /// A walk went through to its end and looked at `walked`, newest first.
    void walkEnded(const std::vector<std::string>& walked);
    /// A walk was cut short after it reported `reported`.
    void walkCut(const std::vector<std::string>& reported);

    bool operator==(const SeenMessages&) const = default;

    void save(Norq::SaveLoad::Writer& writer) const;
    /// Reads a record `save` wrote; false (and nothing changed) when it is not one.
    bool load(Norq::SaveLoad::Reader& reader);

private:
    /// Puts `ids` before the ids kept, newest first, and forgets the oldest beyond the limit.
    void keepNewest(const std::vector<std::string>& ids, Seen seen);

    std::string m_mailbox;
    bool m_walkedThrough = false;
    /// Newest first; every id once, each also in `m_seen`.
    std::vector<std::string> m_order;
    std::unordered_map<std::string, Seen> m_seen;
};

} // namespace Logic
