#pragma once

#include <cstddef>
#include <string>

/// The replies to POP3 commands, one at a time, assembled from the chunks as they arrive. A line
/// ends at a LF right after a CR, wherever the chunks split them; lines are kept as received (no
/// dot-unstuffing), the final "." line included. Bytes that arrive after the end of a reply are
/// kept as the start of the next one: a server that pipelines sends several replies at once.
///
/// Only the lines within the first `kKept` bytes are kept; the rest of a longer reply is read
/// until its end and dropped, so that one message's huge header costs no more memory than a
/// large real one.
class Pop3Reply {
public:
    static constexpr std::size_t kDefaultSizeLimit = 1024 * 1024;
    static constexpr std::size_t kKept = 64 * 1024;

    /// A line, or the whole reply, longer than `sizeLimit` bytes ends the reply as too long.
    explicit Pop3Reply(std::size_t sizeLimit = kDefaultSizeLimit) : m_sizeLimit(sizeLimit) {}

    /// Starts the next reply with the bytes received after the end of the last one; a
    /// multi-line reply ends with a "." line after a positive status line.
    void reset(bool multiLine);
    /// Takes the next received bytes; true once no more are wanted for this reply (complete or
    /// too long). Bytes after its end are kept for the next reply, unless it was too long.
    bool feed(const char* bytes, std::size_t length);

    bool isComplete() const { return m_complete; }
    /// The status line began with "+OK", in any case.
    bool isOk() const { return m_ok; }
    bool isTooLong() const { return m_tooLong; }
    /// Every complete line kept so far, each with its CR LF; the final "." line of a reply
    /// that was cut is kept all the same.
    const std::string& bytes() const { return m_bytes; }

private:
    void endLine();

    std::string m_bytes;
    /// What is kept of the line being read: all of it unless it went past the kept size.
    std::string m_line;
    bool m_lineCut = false;
    bool m_lastWasCr = false;
    /// The bytes of the reply so far, dropped lines included.
    std::size_t m_size = 0;
    bool m_cut = false;
    bool m_firstLine = true;
    std::string m_rest;
    bool m_multiLine = false;
    bool m_complete = false;
    bool m_ok = false;
    bool m_tooLong = false;
    std::size_t m_sizeLimit;
};
