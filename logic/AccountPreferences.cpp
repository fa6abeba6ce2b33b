#include "logic/AccountPreferences.h"

#include "foundation/SaveLoad.h"

namespace Logic {
namespace {

constexpr const char* kTag = "Logic::AccountPreferences";

} // namespace

AccountPreferences::AccountPreferences(Norq::SaveLoad::Reader& reader) {
    reader.readHeader(kTag);
    reader.read(m_programPath);
    reader.read(m_url);
    std::int32_t action = 0;
    reader.read(action);
    m_readMailAction = static_cast<ReadMailAction>(action);
}

void AccountPreferences::save(Norq::SaveLoad::Writer& writer) const {
    writer.writeHeader(kTag);
    writer.write(m_programPath);
    writer.write(m_url);
    writer.write(static_cast<std::int32_t>(m_readMailAction));
}

} // namespace Logic
