#include "foundation/SaveLoad.h"

#include "foundation/Exception.h"
#include "foundation/NameChecksum.h"

#include <array>

namespace Norq::SaveLoad {
namespace {

// Keeps the casual reader from finding passwords in the file; it is not encryption.
constexpr std::array<unsigned char, 16> kScrambleKey = {
    0x5A, 0xC3, 0x17, 0x9E, 0x64, 0x2B, 0xD8, 0x41, 0xB6, 0x0F, 0x73, 0xE5, 0x8C, 0x39, 0xA2, 0x1D};

char scramble(char byte, std::uint64_t index) {
    return static_cast<char>(static_cast<unsigned char>(byte) ^ kScrambleKey[index % 16]);
}

template <class T> T fromLittleEndian(const char* bytes) {
    T value = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        value |= static_cast<T>(static_cast<T>(static_cast<unsigned char>(bytes[i])) << (8 * i));
    return value;
}

template <class T> void toLittleEndian(T value, char* bytes) {
    for (size_t i = 0; i < sizeof(T); ++i)
        bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

} // namespace

bool Reader::atEnd() const {
    return m_null || m_failed || m_position == m_bytes.size();
}

bool Reader::readPlain(char* bytes, std::size_t count) {
    if (m_null || m_failed) {
        m_failed = true;
        return false;
    }
    // What there is of a short read is handed out all the same: a header cut in its
    // reserved word still names its record.
    const std::size_t taken = m_bytes.copy(bytes, count, m_position);
    m_position += taken;
    m_failed = taken < count;
    return !m_failed;
}

bool Reader::readScrambled(char* bytes, std::size_t count) {
    if (!readPlain(bytes, count))
        return false;
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = scramble(bytes[i], m_index++);
    return true;
}

void Reader::readHeader(std::string_view tag) {
    char header[8] = {};
    readPlain(header, sizeof header);
    // A short read leaves zeros, which never match a tag's checksum.
    if (fromLittleEndian<std::uint32_t>(header) != nameChecksum(tag))
        throw Failure("SaveLoad: wrong slot id!");
}

void Reader::read(std::uint32_t& value) {
    char bytes[4];
    if (readScrambled(bytes, sizeof bytes))
        value = fromLittleEndian<std::uint32_t>(bytes);
}

void Reader::read(std::int32_t& value) {
    char bytes[4];
    if (readScrambled(bytes, sizeof bytes))
        value = static_cast<std::int32_t>(fromLittleEndian<std::uint32_t>(bytes));
}

void Reader::read(std::uint16_t& value) {
    char bytes[2];
    if (readScrambled(bytes, sizeof bytes))
        value = fromLittleEndian<std::uint16_t>(bytes);
}

void Reader::read(bool& value) {
    char byte;
    if (readScrambled(&byte, 1))
        value = byte != 0;
}

void Reader::read(std::string& value) {
    value.clear();
    if (m_null || m_failed) {
        m_failed = true;
        return;
    }
    // The text runs to its 0 byte, or to the end of the data, which fails the reader.
    const std::string_view rest = m_bytes.substr(m_position);
    std::size_t length = 0;
    while (length < rest.size() && scramble(rest[length], m_index + length) != '\0')
        ++length;
    value.resize(length);
    for (std::size_t i = 0; i < length; ++i)
        value[i] = scramble(rest[i], m_index + i);
    const bool ended = length < rest.size();
    m_position += length + (ended ? 1 : 0);
    m_index += length + (ended ? 1 : 0);
    m_failed = !ended;
}

void Reader::read(std::u16string& value) {
    value.clear();
    if (m_null || m_failed) {
        m_failed = true;
        return;
    }
    // Two bytes a unit, to the 0 unit; a lone byte at the end is not read, as no unit.
    const std::string_view rest = m_bytes.substr(m_position);
    const auto unitAt = [&](std::size_t unit) {
        const std::size_t at = 2 * unit;
        const auto low = static_cast<unsigned char>(scramble(rest[at], m_index + at));
        const auto high = static_cast<unsigned char>(scramble(rest[at + 1], m_index + at + 1));
        return static_cast<char16_t>(low | (high << 8));
    };
    const std::size_t units = rest.size() / 2;
    std::size_t length = 0;
    while (length < units && unitAt(length) != 0)
        ++length;
    value.resize(length);
    for (std::size_t i = 0; i < length; ++i)
        value[i] = unitAt(i);
    const bool ended = length < units;
    const std::size_t taken = 2 * (length + (ended ? 1 : 0));
    m_position += taken;
    m_index += taken;
    m_failed = !ended;
}

void Writer::writeHeader(std::string_view tag) {
    char header[8] = {};
    toLittleEndian(nameChecksum(tag), header);
    m_bytes.append(header, sizeof header);
}

void Writer::writeScrambled(const char* bytes, std::size_t count) {
    const std::size_t start = m_bytes.size();
    m_bytes.append(bytes, count);
    scrambleFrom(start);
}

void Writer::scrambleFrom(std::size_t start) {
    char* bytes = m_bytes.data();
    for (std::size_t at = start; at < m_bytes.size(); ++at)
        bytes[at] = scramble(bytes[at], m_index++);
}

void Writer::write(std::uint32_t value) {
    char bytes[4];
    toLittleEndian(value, bytes);
    writeScrambled(bytes, sizeof bytes);
}

void Writer::write(std::int32_t value) {
    write(static_cast<std::uint32_t>(value));
}

void Writer::write(std::uint16_t value) {
    char bytes[2];
    toLittleEndian(value, bytes);
    writeScrambled(bytes, sizeof bytes);
}

void Writer::write(bool value) {
    const char byte = value ? 1 : 0;
    writeScrambled(&byte, 1);
}

void Writer::write(std::string_view value) {
    const std::size_t start = m_bytes.size();
    m_bytes.append(value);
    m_bytes.push_back('\0');
    scrambleFrom(start);
}

void Writer::write(std::u16string_view value) {
    const std::size_t start = m_bytes.size();
    m_bytes.resize(start + 2 * (value.size() + 1));
    char* bytes = m_bytes.data() + start;
    for (char16_t unit : value) {
        toLittleEndian(static_cast<std::uint16_t>(unit), bytes);
        bytes += 2;
    }
    toLittleEndian(std::uint16_t{0}, bytes);
    scrambleFrom(start);
}

} // namespace Norq::SaveLoad
