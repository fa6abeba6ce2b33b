#include "logic/ConnectionSettings.h"

#include "foundation/SaveLoad.h"

namespace Logic {
namespace {

constexpr const char* kTag = "Logic::ConnectionSettings";

} // namespace

ConnectionSettings::ConnectionSettings(Norq::SaveLoad::Reader& reader) {
    reader.readHeader(kTag);
    reader.read(m_password);
    reader.read(m_emailAddress);
    reader.read(m_port);
    reader.read(m_serverName);
    reader.read(m_userLogin);
    reader.read(m_useTls);
}

void ConnectionSettings::save(Norq::SaveLoad::Writer& writer) const {
    writer.writeHeader(kTag);
    writer.write(m_password);
    writer.write(m_emailAddress);
    writer.write(m_port);
    writer.write(m_serverName);
    writer.write(m_userLogin);
    writer.write(m_useTls);
}

} // namespace Logic
