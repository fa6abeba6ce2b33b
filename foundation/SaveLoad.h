#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Norq::SaveLoad {

/// Reads records from a data file's bytes: record headers (slot id and reserved word, stored
/// plainly) and scrambled contents, in the order they were written.
class Reader {
public:
    /// The null reader: stands for a data file that could not be opened; every read fails.
    Reader() = default;
    /// Reads these bytes, which must outlive the reader.
    explicit Reader(std::string_view bytes) : m_bytes(bytes), m_null(false) {}

    bool isNull() const { return m_null; }
    /// True once any read came up short.
    bool failed() const { return m_failed; }
    /// True when no byte is left to read (or a read failed).
    bool atEnd() const;

    /// Reads a record header; throws Failure ("SaveLoad: wrong slot id!") unless its slot id
    /// is the checksum of `tag`.
    void readHeader(std::string_view tag);

    // A number whose read fails keeps the value it had. A string ends at its 0 unit or where
    // the data ends.
    void read(std::uint32_t& value);
    void read(std::int32_t& value);
    void read(std::uint16_t& value);
    void read(bool& value);
    void read(std::string& value);
    void read(std::u16string& value);

private:
    bool readPlain(char* bytes, std::size_t count);
    bool readScrambled(char* bytes, std::size_t count);

    std::string_view m_bytes;
    std::size_t m_position = 0;
    /// Counts the scrambled bytes, which the key follows.
    std::uint64_t m_index = 0;
    bool m_null = true;
    bool m_failed = false;
};

/// Collects a data file's bytes: plain record headers and scrambled contents.
class Writer {
public:
    Writer() = default;
    /// Room for this many bytes from the start, so that a file of that size is written
    /// without growing the buffer on the way.
    explicit Writer(std::size_t expectedSize) { m_bytes.reserve(expectedSize); }

    void writeHeader(std::string_view tag);

    void write(std::uint32_t value);
    void write(std::int32_t value);
    void write(std::uint16_t value);
    void write(bool value);
    void write(std::string_view value);
    void write(std::u16string_view value);
    /// A string literal would otherwise be written as a bool.
    void write(const char* value) = delete;

    const std::string& bytes() const { return m_bytes; }

private:
    void writeScrambled(const char* bytes, std::size_t count);
    /// Scrambles the bytes from `start` to the end, which were appended plain.
    void scrambleFrom(std::size_t start);

    std::string m_bytes;
    std::uint64_t m_index = 0;
};

} // namespace Norq::SaveLoad
