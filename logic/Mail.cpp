#include "logic/Mail.h"

#include "foundation/SaveLoad.h"

namespace Logic {
namespace {

constexpr const char* kTag = "Logic::Mail";

// Only so much of a header block is read: a header larger than this is no real mail's, and
// decoding it whole would cost what a hostile server chooses.
constexpr std::size_t kHeaderRead = 64 * 1024;

// Only so much of a sender or subject is kept: more is never read by a person, and a server
// could otherwise fill memory and the data file with megabytes per message.
constexpr std::size_t kTextKept = 1000;

// The block up to the last line end within the limit.
std::string_view readablePart(std::string_view headerBlock) {
    if (headerBlock.size() <= kHeaderRead)
        return headerBlock;
    const std::size_t lineEnd = headerBlock.rfind('\n', kHeaderRead - 1);
    return headerBlock.substr(0, lineEnd == std::string_view::npos ? kHeaderRead : lineEnd + 1);
}

// Cut at a character boundary (never inside a surrogate pair), with "…" to show it was cut.
void keepReadable(std::u16string& text) {
    if (text.size() <= kTextKept)
        return;
    std::size_t end = kTextKept;
    if (text[end - 1] >= 0xD800 && text[end - 1] <= 0xDBFF)
        --end;
    text.resize(end);
    text += u'\u2026';
}

} // namespace

Mail::Mail(std::string accountEmail, std::string_view headerBlock)
    : m_fields(readHeaderFields(readablePart(headerBlock))),
      m_accountEmail(std::move(accountEmail)) {
    keepReadable(m_fields.sender);
    keepReadable(m_fields.subject);
}

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
    // Files of older versions may hold whole megabytes.
    keepReadable(m_fields.sender);
    keepReadable(m_fields.subject);
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
