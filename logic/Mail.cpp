#include "logic/Mail.h"

#include "foundation/SaveLoad.h"

namespace Logic {
namespace {

constexpr const char* kTag = "Logic::Mail";

} // namespace

Mail::Mail(std::string accountEmail, std::string_view headerBlock)
    : m_fields(readHeaderFields(headerBlock)), m_accountEmail(std::move(accountEmail)) {}

Mail::Mail(Norq::SaveLoad::Reader& reader) {
    reader.readHeader(kTag);
    reader.read(m_accountEmail);
    reader.read(m_fields.subject);
    // A second text that no version of the program ever filled; kept for the file layout.
    std::u16string unused;
    reader.read(unused);
    reader.read(m_flags);
    reader.read(m_fields.sender);
    reader.read(m_fields.date.time);
    reader.read(m_fields.date.zoneOffset);
    reader.read(m_fields.messageIdSum);
}

Mail::~Mail() = default;

void Mail::save(Norq::SaveLoad::Writer& writer) const {
    writer.writeHeader(kTag);
    writer.write(m_accountEmail);
    writer.write(m_fields.subject);
    writer.write(std::u16string_view());
    writer.write(m_flags);
    writer.write(m_fields.sender);
    writer.write(m_fields.date.time);
    writer.write(m_fields.date.zoneOffset);
    writer.write(m_fields.messageIdSum);
}

} // namespace Logic
