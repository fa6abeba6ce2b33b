#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Bench {

/// The POP3 client the reference strategies are written with: blocking, one command at a time,
/// no time limits, nothing but the bytes. Throws std::runtime_error on any failure, since a
/// reference run that went wrong has no figure worth keeping.
class ReferencePop3Client {
public:
    /// Connects to 127.0.0.1 and reads the greeting.
    explicit ReferencePop3Client(std::uint16_t port);
    ReferencePop3Client(const ReferencePop3Client&) = delete;
    ReferencePop3Client& operator=(const ReferencePop3Client&) = delete;
    ~ReferencePop3Client();

    /// Sends one command line and returns its status line (without CR LF); throws on "-ERR".
    std::string command(std::string_view line);
    /// Sends a command whose positive answer is a multi-line reply; returns the lines after
    /// the status line, the closing "." line included.
    std::string multiLineCommand(std::string_view line);

private:
    void send(std::string_view line);
    /// Reads until `terminator` appears at or after `from` in the buffer; returns where it ends.
    std::size_t readUntil(std::string_view terminator, std::size_t from);

    int m_socket = -1;
    std::string m_buffer;
};

} // namespace Bench
