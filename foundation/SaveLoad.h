#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>

namespace Norq::SaveLoad {

/// Reads records from a data file: record headers (slot id and reserved word, stored plainly)
/// and scrambled contents. It never reads ahead, so a header read between two contents reads
/// exactly the bytes that follow the last content byte handed out.
class Reader {
public:
    /// The null reader: stands for a data file that could not be opened; every read fails.
    Reader() = default;
    explicit Reader(std::istream& raw) : m_raw(&raw) {}

    bool isNull() const { return m_raw == nullptr; }
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
    bool readPlain(char* bytes, size_t count);
    bool readScrambled(char* bytes, size_t count);

    std::istream* m_raw = nullptr;
    std::uint64_t m_index = 0;
    bool m_failed = false;
};

/// Collects a data file's bytes: plain record headers and scrambled contents.
class Writer {
public:
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
    void writeScrambled(const char* bytes, size_t count);

    std::string m_bytes;
    std::uint64_t m_index = 0;
};

} // namespace Norq::SaveLoad
