#include "logic/SeenMessages.h"

#include "foundation/SaveLoad.h"

namespace Logic {
namespace {

constexpr const char* kTag = "Logic::SeenMessages";
// UIDL ids are at most 70 characters; anything longer is not one of ours.
constexpr std::size_t kLongestId = 70;

} // namespace

SeenMessages::Seen SeenMessages::find(const std::string& id) const {
    const auto found = m_seen.find(id);
    return found == m_seen.end() ? Seen::No : found->second;
}

void SeenMessages::walkEnded(const std::vector<std::string>& walked) {
    m_walkedThrough = true;
    keepNewest(walked, Seen::Passed);
}

void SeenMessages::walkCut(const std::vector<std::string>& reported) {
    keepNewest(reported, Seen::Reported);
}

void SeenMessages::keepNewest(const std::vector<std::string>& ids, Seen seen) {
    std::unordered_map<std::string, Seen> kept;
    std::vector<std::string> order;
    for (const std::string& id : ids) {
        if (order.size() == kKept)
            break;
        // A passed id stays passed; a reported one is passed once a walk went through it.
        const Seen now = find(id) == Seen::Passed ? Seen::Passed : seen;
        if (kept.try_emplace(id, now).second)
            order.push_back(id);
    }
    for (std::string& id : m_order) {
        if (order.size() == kKept)
            break;
        if (kept.try_emplace(id, m_seen.at(id)).second)
            order.push_back(std::move(id));
    }
    m_order = std::move(order);
    m_seen = std::move(kept);
}

void SeenMessages::save(Norq::SaveLoad::Writer& writer) const {
    writer.writeHeader(kTag);
    writer.write(std::string_view(m_mailbox));
    writer.write(m_walkedThrough);
    writer.write(static_cast<std::uint32_t>(m_order.size()));
    for (const std::string& id : m_order) {
        writer.write(std::string_view(id));
        writer.write(m_seen.at(id) == Seen::Reported);
    }
}

bool SeenMessages::load(Norq::SaveLoad::Reader& reader) {
    reader.readHeader(kTag);
    SeenMessages loaded;
    reader.read(loaded.m_mailbox);
    reader.read(loaded.m_walkedThrough);
    std::uint32_t count = 0;
    reader.read(count);
    if (count > kKept)
        return false;
    for (std::uint32_t i = 0; i < count && !reader.failed(); ++i) {
        std::string id;
        bool reported = false;
        reader.read(id);
        reader.read(reported);
        if (id.empty() || id.size() > kLongestId)
            return false;
        if (loaded.m_seen.try_emplace(id, reported ? Seen::Reported : Seen::Passed).second)
            loaded.m_order.push_back(std::move(id));
    }
    if (reader.failed())
        return false;
    *this = std::move(loaded);
    return true;
}

} // namespace Logic
