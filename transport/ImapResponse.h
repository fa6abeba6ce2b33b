#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

/// The responses of an IMAP server, one at a time, assembled from the chunks as they arrive:
/// tagged ("A1 OK done"), untagged ("* 3 EXISTS") and continuation ("+ go ahead") responses.
/// A line ends at a LF right after a CR, wherever the chunks split them; a line that ends with
/// "{n}" (or "{n+}") announces a literal of n bytes, after which the response goes on, so one
/// response may span many lines. Bytes after the end of a response are kept as the start of
/// the next one.
///
/// A response longer than the size limit, literals included, ends as too long; the bytes after
/// it can no longer be told apart, so the connection is then out of step. Of a literal only the
/// first `kKept` bytes are kept: the rest is read to its end and dropped, and the count in front
/// of it is rewritten to what was kept, so that `bytes` always reads as a whole response.
class ImapResponse {
public:
    static constexpr std::size_t kDefaultSizeLimit = 1024 * 1024;
    static constexpr std::size_t kKept = 64 * 1024;

    enum class Kind {
        Untagged,     ///< "* ..."
        Tagged,       ///< "<tag> OK|NO|BAD ...": the end of a command
        Continuation, ///< "+ ...": the server waits for the rest of a command
    };

    explicit ImapResponse(std::size_t sizeLimit = kDefaultSizeLimit) : m_sizeLimit(sizeLimit) {}

    /// Starts the next response with the bytes received after the end of the last one.
    void reset();
    /// Takes the next received bytes; true once no more are wanted for this response (complete
    /// or too long). Bytes after its end are kept for the next one, unless it was too long.
    bool feed(const char* bytes, std::size_t length);

    bool isComplete() const { return m_complete; }
    bool isTooLong() const { return m_tooLong; }
    /// Nothing has come of this response nor of any after it.
    bool isEmpty() const { return m_size == 0 && m_rest.empty(); }
    /// The kind of a complete response.
    Kind kind() const;
    /// The tag of a tagged response ("A1"); empty for the others.
    std::string_view tag() const;
    /// The whole response as kept, its literals and its final CR LF included.
    const std::string& bytes() const { return m_bytes; }
    /// A literal of this response was longer than what is kept of it.
    bool isCut() const { return m_cut; }

private:
    /// The line that just ended announces a literal: reads its count; false when it announces
    /// none. Makes the response too long when the literal cannot fit.
    bool startLiteral();
    void giveUp();

    std::string m_bytes;
    /// Where in `m_bytes` the line being read began (after the last literal).
    std::size_t m_lineStart = 0;
    bool m_lastWasCr = false;
    /// Bytes of the literal being read still to come, and how many of them are kept.
    std::size_t m_literalLeft = 0;
    std::size_t m_literalKeep = 0;
    /// The bytes of the response so far, dropped ones included.
    std::size_t m_size = 0;
    bool m_cut = false;
    std::string m_rest;
    bool m_complete = false;
    bool m_tooLong = false;
    std::size_t m_sizeLimit;
};

/// The "[CODE argument]" a status response ("* OK", "A1 NO", "* BYE") may begin its text with,
/// and that text.
struct ImapResponseText {
    /// "UIDVALIDITY", "ALERT", "AUTHENTICATIONFAILED"...; empty when the text has no code.
    std::string_view code;
    /// What follows the code inside the brackets ("3857529045" for UIDVALIDITY).
    std::string_view argument;
    /// The whole text, code included: the server's own words.
    std::string_view text;
};

/// Reads the parts of one complete response from the front: atoms, numbers, strings (quoted or
/// literal), parenthesised lists. Every read checks what is there first and returns false,
/// leaving the position as it was, when it is not what was asked for; nothing is ever read past
/// the response's end, and a number that does not fit is not a number.
class ImapReader {
public:
    /// `response` is a complete response as ImapResponse keeps it; the reader refers to it.
    explicit ImapReader(std::string_view response);

    /// At the CR LF that ends the response.
    bool atEnd() const;
    /// Takes `c` when it comes next.
    bool skip(char c);
    /// Takes the next atom: anything up to a space, a bracket, a parenthesis, a quote or the
    /// end. Flags ("\Seen") and "*" read as atoms.
    bool readAtom(std::string_view& atom);
    /// Takes the next atom when it is `word`, in any letter case.
    bool skipWord(std::string_view word);
    /// Takes the next number when it fits 32 bits (an IMAP number, RFC 3501).
    bool readNumber(std::uint32_t& value);
    /// Takes a quoted string (its escapes undone) or a literal.
    bool readString(std::string& value);
    /// As readString; NIL reads as an empty string with `nil` set.
    bool readNString(std::string& value, bool& nil);
    /// Takes one value of any kind: an atom (a section "BODY[...]<0>" included), a number, a
    /// string or a whole parenthesised list.
    bool skipValue();
    /// Takes the bracketed section that may follow an atom ("[HEADER.FIELDS (FROM)]"), and the
    /// "<0>" that may follow it.
    bool skipSection();
    /// The next byte is a digit: what follows is a number or nothing readable.
    bool atDigit() const;
    /// Takes the text up to the end of the response, reading a "[CODE argument]" at its front.
    ImapResponseText readText();
    /// What is left up to the final CR LF.
    std::string_view rest() const;

private:
    bool skipValue(int depth);

    std::string_view m_text;
    std::size_t m_at = 0;
};
