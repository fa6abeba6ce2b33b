#include "platform/TextCodec.h"

namespace Platform {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Decodes one UTF-8 sequence at `pos`. An ill-formed sequence yields U+FFFD and consumes its
// longest valid prefix (at least one byte), the way standard converters substitute.
char32_t decodeOne(std::string_view text, size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80)
        return lead;
    int length = 0;
    char32_t code = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F; // nothing above U+10FFFF
    } else {
        return kReplacement;
    }
    for (int i = 1; i < length; ++i) {
        if (pos >= text.size())
            return kReplacement;
        const auto byte = static_cast<unsigned char>(text[pos]);
        if (i == 1 ? (byte < low || byte > high) : !isContinuation(byte))
            return kReplacement;
        code = (code << 6) | (byte & 0x3F);
        ++pos;
    }
    return code;
}

// Reads one code point from UTF-16; an unpaired surrogate yields U+FFFD.
char32_t nextCodePoint(std::u16string_view text, size_t& pos) {
    const char16_t unit = text[pos++];
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        if (pos < text.size() && text[pos] >= 0xDC00 && text[pos] <= 0xDFFF) {
            const char16_t low = text[pos++];
            return 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(low) - 0xDC00);
        }
        return kReplacement;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF)
        return kReplacement;
    return unit;
}

size_t encodedLength(char32_t code) {
    if (code < 0x80)
        return 1;
    if (code < 0x800)
        return 2;
    if (code < 0x10000)
        return 3;
    return 4;
}

} // namespace

std::u16string narrowToWide(std::string_view narrow) {
    std::u16string wide;
    wide.reserve(narrow.size());
    size_t pos = 0;
    while (pos < narrow.size()) {
        const char32_t code = decodeOne(narrow, pos);
        if (code >= 0x10000) {
            wide.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            wide.push_back(static_cast<char16_t>(code));
        }
    }
    return wide;
}

size_t narrowLength(std::u16string_view wide) {
    size_t length = 0;
    size_t pos = 0;
    while (pos < wide.size())
        length += encodedLength(nextCodePoint(wide, pos));
    return length;
}

std::string wideToNarrow(std::u16string_view wide) {
    std::string narrow;
    narrow.reserve(narrowLength(wide));
    size_t pos = 0;
    while (pos < wide.size()) {
        const char32_t code = nextCodePoint(wide, pos);
        switch (encodedLength(code)) {
        case 1:
            narrow.push_back(static_cast<char>(code));
            break;
        case 2:
            narrow.push_back(static_cast<char>(0xC0 | (code >> 6)));
            narrow.push_back(static_cast<char>(0x80 | (code & 0x3F)));
            break;
        case 3:
            narrow.push_back(static_cast<char>(0xE0 | (code >> 12)));
            narrow.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            narrow.push_back(static_cast<char>(0x80 | (code & 0x3F)));
            break;
        default:
            narrow.push_back(static_cast<char>(0xF0 | (code >> 18)));
            narrow.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            narrow.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            narrow.push_back(static_cast<char>(0x80 | (code & 0x3F)));
            break;
        }
    }
    return narrow;
}

} // namespace Platform
