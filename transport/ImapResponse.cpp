#include "transport/ImapResponse.h"

#include "foundation/AsciiText.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Enough for any count that fits the size limit; more digits than this are too many anyway.
constexpr std::size_t kLongestCount = 18;

// Lists nested deeper than this are not read: a hostile server must not run the stack out.
constexpr int kDeepestList = 32;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// ATOM-CHAR of RFC 3501, with "\" and "*" let in so that flags ("\Seen", "\*") read as atoms
// too; brackets end an atom so that a section or a response code can be told from it.
bool isAtomChar(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte > ' ' && byte < 0x7f && std::strchr("(){}\"[]", c) == nullptr;
}

// The decimal digits of `text`, when it holds nothing else and not too many of them.
bool readCount(std::string_view text, std::size_t& value) {
    if (text.empty() || text.size() > kLongestCount ||
        !std::all_of(text.begin(), text.end(), isDigit))
        return false;
    value = 0;
    for (const char c : text)
        value = value * 10 + static_cast<std::size_t>(c - '0');
    return true;
}

// Where the "{" of a literal count at the end of `line` is ("{12}" or "{12+}"), and the digits.
bool findLiteralCount(std::string_view line, std::size_t& open, std::string_view& digits) {
    if (line.empty() || line.back() != '}')
        return false;
    open = line.rfind('{');
    if (open == std::string_view::npos)
        return false;
    digits = line.substr(open + 1, line.size() - open - 2);
    if (!digits.empty() && digits.back() == '+')
        digits.remove_suffix(1);
    return !digits.empty() && std::all_of(digits.begin(), digits.end(), isDigit);
}

} // namespace

void ImapResponse::reset() {
    const std::string rest = std::exchange(m_rest, {});
    m_bytes.clear();
    m_lineStart = 0;
    m_lastWasCr = false;
    m_literalLeft = 0;
    m_literalKeep = 0;
    m_size = 0;
    m_cut = false;
    m_complete = false;
    m_tooLong = false;
    if (!rest.empty())
        feed(rest.data(), rest.size());
}

bool ImapResponse::feed(const char* bytes, std::size_t length) {
    if (m_tooLong)
        return true;
    if (m_complete) {
        m_rest.append(bytes, length);
        return true;
    }
    while (length > 0) {
        if (m_literalLeft > 0) {
            // A literal's bytes are whatever they are, line ends included; its size was
            // counted when it was announced.
            const std::size_t take = std::min(length, m_literalLeft);
            const std::size_t keep = std::min(take, m_literalKeep);
            m_bytes.append(bytes, keep);
            m_literalKeep -= keep;
            m_literalLeft -= take;
            bytes += take;
            length -= take;
            if (m_literalLeft == 0) {
                m_lineStart = m_bytes.size();
                m_lastWasCr = false;
            }
            continue;
        }
        const auto* lineFeed = static_cast<const char*>(std::memchr(bytes, '\n', length));
        const std::size_t take =
            lineFeed != nullptr ? static_cast<std::size_t>(lineFeed - bytes) + 1 : length;
        if (m_size + take > m_sizeLimit) {
            // Given up, and the memory with it: a server that never ends a line must not
            // make the response grow without bound.
            giveUp();
            return true;
        }
        m_size += take;
        m_bytes.append(bytes, take);
        // The CR may have come in the previous chunk.
        const bool crBefore = take >= 2 ? bytes[take - 2] == '\r' : m_lastWasCr;
        m_lastWasCr = bytes[take - 1] == '\r';
        bytes += take;
        length -= take;
        if (lineFeed == nullptr || !crBefore)
            continue;
        if (startLiteral()) {
            if (m_tooLong)
                return true;
            continue;
        }
        m_complete = true;
        m_rest.assign(bytes, length);
        return true;
    }
    return false;
}

bool ImapResponse::startLiteral() {
    const std::string_view line =
        std::string_view(m_bytes).substr(m_lineStart, m_bytes.size() - m_lineStart - 2);
    std::size_t open = 0;
    std::string_view digits;
    if (!findLiteralCount(line, open, digits))
        return false;
    std::size_t count = 0;
    if (!readCount(digits, count) || count > m_sizeLimit - m_size) {
        giveUp();
        return true;
    }
    m_size += count;
    m_literalLeft = count;
    m_literalKeep = std::min(count, kKept);
    if (count > m_literalKeep) {
        // The count in front says what follows in `m_bytes`, not what the server sent.
        const std::size_t at = m_lineStart + open + 1;
        m_bytes.replace(at, line.size() - open - 2, std::to_string(m_literalKeep));
        m_cut = true;
    }
    m_lineStart = m_bytes.size();
    m_lastWasCr = false;
    return true;
}

void ImapResponse::giveUp() {
    m_tooLong = true;
    std::string().swap(m_bytes);
    std::string().swap(m_rest);
}

ImapResponse::Kind ImapResponse::kind() const {
    if (!m_bytes.empty() && m_bytes[0] == '*')
        return Kind::Untagged;
    if (!m_bytes.empty() && m_bytes[0] == '+')
        return Kind::Continuation;
    return Kind::Tagged;
}

std::string_view ImapResponse::tag() const {
    if (kind() != Kind::Tagged)
        return {};
    const std::string_view bytes(m_bytes);
    return bytes.substr(0, bytes.find_first_of(" \r"));
}

ImapReader::ImapReader(std::string_view response) : m_text(response) {
    if (m_text.ends_with("\r\n"))
        m_text.remove_suffix(2);
}

bool ImapReader::atEnd() const {
    return m_at >= m_text.size();
}

bool ImapReader::atDigit() const {
    return !atEnd() && isDigit(m_text[m_at]);
}

bool ImapReader::skip(char c) {
    if (atEnd() || m_text[m_at] != c)
        return false;
    ++m_at;
    return true;
}

bool ImapReader::readAtom(std::string_view& atom) {
    std::size_t end = m_at;
    while (end < m_text.size() && isAtomChar(m_text[end]))
        ++end;
    if (end == m_at)
        return false;
    atom = m_text.substr(m_at, end - m_at);
    m_at = end;
    return true;
}

bool ImapReader::skipWord(std::string_view word) {
    const std::size_t start = m_at;
    std::string_view atom;
    if (readAtom(atom) && Norq::equalsIgnoringAsciiCase(atom, word))
        return true;
    m_at = start;
    return false;
}

bool ImapReader::readNumber(std::uint32_t& value) {
    std::size_t end = m_at;
    std::uint64_t parsed = 0;
    while (end < m_text.size() && isDigit(m_text[end])) {
        parsed = parsed * 10 + static_cast<std::uint64_t>(m_text[end] - '0');
        if (parsed > UINT32_MAX)
            return false;
        ++end;
    }
    // "12abc" is an atom, not a number.
    if (end == m_at || (end < m_text.size() && isAtomChar(m_text[end])))
        return false;
    value = static_cast<std::uint32_t>(parsed);
    m_at = end;
    return true;
}

bool ImapReader::readString(std::string& value) {
    if (atEnd())
        return false;
    if (m_text[m_at] == '"') {
        std::string unquoted;
        for (std::size_t at = m_at + 1; at < m_text.size(); ++at) {
            char c = m_text[at];
            if (c == '"') {
                value = std::move(unquoted);
                m_at = at + 1;
                return true;
            }
            if (c == '\r' || c == '\n')
                return false;
            if (c == '\\') {
                if (++at == m_text.size())
                    return false;
                c = m_text[at];
            }
            unquoted += c;
        }
        return false;
    }
    if (m_text[m_at] != '{')
        return false;
    const std::size_t close = m_text.find('}', m_at);
    if (close == std::string_view::npos)
        return false;
    std::string_view digits = m_text.substr(m_at + 1, close - m_at - 1);
    if (digits.ends_with('+'))
        digits.remove_suffix(1);
    std::size_t count = 0;
    if (!readCount(digits, count) || m_text.substr(close + 1, 2) != "\r\n")
        return false;
    const std::size_t start = close + 3;
    if (start > m_text.size() || count > m_text.size() - start)
        return false;
    value.assign(m_text.substr(start, count));
    m_at = start + count;
    return true;
}

bool ImapReader::readNString(std::string& value, bool& nil) {
    nil = skipWord("NIL");
    if (nil) {
        value.clear();
        return true;
    }
    return readString(value);
}

bool ImapReader::skipValue() {
    return skipValue(0);
}

bool ImapReader::skipValue(int depth) {
    if (atEnd() || depth >= kDeepestList)
        return false;
    const std::size_t start = m_at;
    const char first = m_text[m_at];
    if (first == '"' || first == '{') {
        std::string ignored;
        return readString(ignored);
    }
    if (first == '(') {
        ++m_at;
        for (;;) {
            while (skip(' ')) {
            }
            if (skip(')'))
                return true;
            if (!skipValue(depth + 1)) {
                m_at = start;
                return false;
            }
        }
    }
    std::string_view atom;
    if (!readAtom(atom))
        return false;
    if (!atEnd() && m_text[m_at] == '[' && !skipSection()) {
        m_at = start;
        return false;
    }
    return true;
}

bool ImapReader::skipSection() {
    const std::size_t start = m_at;
    if (!skip('['))
        return false;
    for (;;) {
        if (skip(']'))
            break;
        if (skip(' '))
            continue;
        std::string_view atom;
        if (readAtom(atom))
            continue;
        if (!atEnd() && std::strchr("(\"{", m_text[m_at]) != nullptr && skipValue(1))
            continue;
        m_at = start;
        return false;
    }
    // A partial fetch names where its bytes begin: "BODY[]<0>".
    if (!skip('<'))
        return true;
    const std::size_t digits = m_at;
    while (atDigit())
        ++m_at;
    if (m_at > digits && skip('>'))
        return true;
    m_at = start;
    return false;
}

ImapResponseText ImapReader::readText() {
    while (skip(' ')) {
    }
    ImapResponseText text;
    text.text = rest();
    const std::size_t start = m_at;
    std::string_view code;
    if (skip('[') && readAtom(code)) {
        const std::size_t close = m_text.find(']', m_at);
        if (close != std::string_view::npos && (m_text[m_at] == ']' || m_text[m_at] == ' ')) {
            text.code = code;
            if (m_text[m_at] == ' ')
                text.argument = m_text.substr(m_at + 1, close - m_at - 1);
        }
    }
    m_at = start + text.text.size();
    return text;
}

std::string_view ImapReader::rest() const {
    return atEnd() ? std::string_view() : m_text.substr(m_at);
}
