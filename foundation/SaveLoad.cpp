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
    return m_raw == nullptr || m_failed || m_raw->peek() == std::char_traits<char>::eof();
}

bool Reader::readPlain(char* bytes, size_t count) {
    if (m_raw == nullptr || m_failed) {
        m_failed = true;
        return false;
    }
    m_raw->read(bytes, static_cast<std::streamsize>(count));
    if (static_cast<size_t>(m_raw->gcount()) != count)
        m_failed = true;
    return !m_failed;
}

bool Reader::readScrambled(char* bytes, size_t count) {
    if (!readPlain(bytes, count))
        return false;
    for (size_t i = 0; i < count; ++i)
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
    char byte;
    while (readScrambled(&byte, 1) && byte != '\0')
        value.push_back(byte);
}

void Reader::read(std::u16string& value) {
    value.clear();
    char bytes[2];
    while (readScrambled(bytes, sizeof bytes)) {
        const auto unit = fromLittleEndian<std::uint16_t>(bytes);
        if (unit == 0)
            break;
        value.push_back(static_cast<char16_t>(unit));
    }
}

void Writer::writeHeader(std::string_view tag) {
    char header[8] = {};
    toLittleEndian(nameChecksum(tag), header);
    m_bytes.append(header, sizeof header);
}

void Writer::writeScrambled(const char* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i)
        m_bytes.push_back(scramble(bytes[i], m_index++));
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
    writeScrambled(value.data(), value.size());
    writeScrambled("", 1);
}

void Writer::write(std::u16string_view value) {
    for (char16_t unit : value)
        write(static_cast<std::uint16_t>(unit));
    write(std::uint16_t{0});
}

} // namespace Norq::SaveLoad
