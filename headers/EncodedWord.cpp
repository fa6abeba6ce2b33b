#include "headers/EncodedWord.h"

#include "foundation/AsciiText.h"
#include "headers/Base64Alphabet.h"

#include <array>

namespace {

void appendQ(std::string_view text, std::string& out) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '_') {
            out.push_back(' ');
        } else if (c != '=') {
            out.push_back(c);
        } else if (text.size() - i < 3) {
            break;
        } else {
            const int high = Norq::hexDigitValue(text[i + 1]);
            const int low = Norq::hexDigitValue(text[i + 2]);
            if (high < 0 || low < 0) {
                // Not an escape: most likely a bare '=' from a careless encoder, so keep it.
                out.push_back(c);
                continue;
            }
            out.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        }
    }
}

void appendB(std::string_view text, std::string& out) {
    unsigned bits = 0;
    int bitCount = 0;
    for (const char c : text) {
        if (c == '=')
            break;
        const int value = kBase64Values[static_cast<unsigned char>(c)];
        if (value == kNotBase64)
            continue;
        bits = (bits << 6) | static_cast<unsigned>(value);
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            out.push_back(static_cast<char>((bits >> bitCount) & 0xFF));
            bits &= (1u << bitCount) - 1;
        }
    }
}

// Charset and encoding are tokens: printable ASCII without blanks and without '?'. Requiring
// them keeps a "=?" in ordinary text ("Is 2+2 =? 4") from swallowing the rest of the value.
bool isTokenChar(char c) {
    return c > ' ' && c < 0x7F && c != '?';
}

// Returns the position of the '?' that ends the token starting at `start`, or npos.
size_t tokenEnd(std::string_view value, size_t start) {
    size_t pos = start;
    while (pos < value.size() && isTokenChar(value[pos]))
        ++pos;
    if (pos == start || pos >= value.size() || value[pos] != '?')
        return std::string_view::npos;
    return pos;
}

struct WordBounds {
    std::string_view charset;
    std::string_view encoding;
    std::string_view text;
    size_t last; // position of the word's last character
};

std::optional<WordBounds> findEncodedWord(std::string_view value, size_t position) {
    if (value.compare(position, 2, "=?") != 0)
        return std::nullopt;
    const size_t charsetStart = position + 2;
    const size_t charsetEnd = tokenEnd(value, charsetStart);
    if (charsetEnd == std::string_view::npos)
        return std::nullopt;
    const size_t encodingStart = charsetEnd + 1;
    const size_t encodingEnd = tokenEnd(value, encodingStart);
    if (encodingEnd == std::string_view::npos)
        return std::nullopt;
    const size_t textStart = encodingEnd + 1;
    // A word that lost its "?=" (a cut-off header) keeps all of its text.
    const size_t close = value.find("?=", textStart);
    const size_t textEnd = close == std::string_view::npos ? value.size() : close;
    const size_t last = close == std::string_view::npos ? value.size() - 1 : close + 1;
    return WordBounds{value.substr(charsetStart, charsetEnd - charsetStart),
                      value.substr(encodingStart, encodingEnd - encodingStart),
                      value.substr(textStart, textEnd - textStart), last};
}

// RFC 2231 lets a language follow the charset ("utf-8*en"); it changes nothing here.
std::string_view charsetOf(const WordBounds& word) {
    return word.charset.substr(0, word.charset.find('*'));
}

void appendBytes(const WordBounds& word, std::string& bytes) {
    if (word.encoding == "Q" || word.encoding == "q")
        appendQ(word.text, bytes);
    else if (word.encoding == "B" || word.encoding == "b")
        appendB(word.text, bytes);
    else
        bytes.append(word.text);
}

bool isLinearWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

size_t skipLinearWhiteSpace(std::string_view value, size_t pos) {
    while (pos < value.size() && isLinearWhiteSpace(value[pos]))
        ++pos;
    return pos;
}

} // namespace

std::string decodeQ(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    appendQ(text, bytes);
    return bytes;
}

std::string decodeB(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3 + 2);
    appendB(text, bytes);
    return bytes;
}

std::optional<std::u16string> decodeEncodedWord(std::string_view value, std::size_t& position) {
    const auto word = findEncodedWord(value, position);
    if (!word)
        return std::nullopt;
    std::string bytes;
    appendBytes(*word, bytes);
    position = word->last;
    return charsetBytesToWide(charsetOf(*word), bytes);
}

std::u16string decodeHeaderText(std::string_view value, CodePage rawCodePage) {
    std::u16string out;
    out.reserve(value.size());
    std::string scratch;
    size_t rawStart = 0;
    const auto flushRaw = [&](size_t rawEnd) {
        if (rawEnd > rawStart)
            out += codePageToWide(rawCodePage, value.substr(rawStart, rawEnd - rawStart));
    };
    size_t pos = 0;
    while (pos < value.size()) {
        const char c = value[pos];
        if (c == '\r' || c == '\n') {
            // Unfolding: the line break goes, the white space that starts the next line stays.
            flushRaw(pos);
            rawStart = ++pos;
        } else if (c == '\t') {
            // A TAB is white space like any other; dropping it would glue the words of a line
            // folded with CR LF TAB together.
            flushRaw(pos);
            out.push_back(u' ');
            rawStart = ++pos;
        } else if (c != '=') {
            ++pos;
        } else if (const auto word = findEncodedWord(value, pos)) {
            flushRaw(pos);
            // Mailers split long text into several encoded words anywhere, even inside a
            // multi-byte character, and the white space or fold between them is not part of the
            // text (RFC 2047, section 6.2): the bytes of a run of words in one charset are
            // decoded together.
            const std::string_view charset = charsetOf(*word);
            scratch.clear();
            appendBytes(*word, scratch);
            pos = word->last + 1;
            size_t next = skipLinearWhiteSpace(value, pos);
            auto following = findEncodedWord(value, next);
            while (following && Norq::equalsIgnoringAsciiCase(charsetOf(*following), charset)) {
                appendBytes(*following, scratch);
                pos = following->last + 1;
                next = skipLinearWhiteSpace(value, pos);
                following = findEncodedWord(value, next);
            }
            out += charsetBytesToWide(charset, scratch);
            if (following)
                pos = next;
            rawStart = pos;
        } else {
            ++pos;
        }
    }
    flushRaw(value.size());
    return out;
}
