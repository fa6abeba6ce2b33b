#include "headers/Charset.h"

#include "headers/Base64Alphabet.h"

#include "foundation/TextConversion.h"
#include "platform/CharsetConverter.h"

#include <array>
#include <cstdint>

namespace {

using ByteTable = std::array<std::uint8_t, 128>;

// Upper halves only: every table maps 0x00-0x7F to itself. Each byte goes to the byte of the
// same character in the target code page; characters the target lacks go to look-alikes or '?'.
constexpr ByteTable kWindows1251ToKoi8r = {
    0x3F, 0x3F, 0x27, 0x3F, 0x22, 0x3A, 0x8A, 0xBC, 0x3F, 0x25, 0x3F, 0x3C, 0x3F, 0x3F, 0x3F, 0x3F,
    0x3F, 0x27, 0x27, 0x22, 0x22, 0x07, 0x2D, 0x2D, 0x3F, 0x54, 0x3F, 0x3E, 0x3F, 0x3F, 0x3F, 0x3F,
    0x9A, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x81, 0x15, 0xB3, 0xBF, 0x3F, 0x3C, 0x83, 0x2D, 0x52, 0x3F,
    0x9C, 0x2B, 0x3F, 0x3F, 0x3F, 0xDE, 0x14, 0x9E, 0xA3, 0x3F, 0x3F, 0x3E, 0x3F, 0x3F, 0x3F, 0x3F,
    0xE1, 0xE2, 0xF7, 0xE7, 0xE4, 0xE5, 0xF6, 0xFA, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF, 0xF0,
    0xF2, 0xF3, 0xF4, 0xF5, 0xE6, 0xE8, 0xE3, 0xFE, 0xFB, 0xFD, 0xFF, 0xF9, 0xF8, 0xFC, 0xE0, 0xF1,
    0xC1, 0xC2, 0xD7, 0xC7, 0xC4, 0xC5, 0xD6, 0xDA, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF, 0xD0,
    0xD2, 0xD3, 0xD4, 0xD5, 0xC6, 0xC8, 0xC3, 0xDE, 0xDB, 0xDD, 0xDF, 0xD9, 0xD8, 0xDC, 0xC0, 0xD1,
};

constexpr ByteTable kKoi8rToWindows1251 = {
    0x2D, 0xA6, 0x2D, 0xAC, 0x4C, 0x2D, 0x2B, 0x2B, 0x54, 0x2B, 0x2B, 0x2D, 0x2D, 0x2D, 0xA6, 0xA6,
    0x2D, 0x2D, 0x2D, 0x3F, 0xA6, 0x95, 0x76, 0x3F, 0x3F, 0x3F, 0xA0, 0x3F, 0xB0, 0x3F, 0xB7, 0x3F,
    0x3D, 0xA6, 0x2D, 0xB8, 0xE3, 0xE3, 0xAC, 0xAC, 0xAC, 0x4C, 0x4C, 0x4C, 0x2D, 0x2D, 0x2D, 0xA6,
    0xA6, 0xA6, 0xA6, 0xA8, 0xA6, 0xA6, 0x54, 0x54, 0x54, 0xA6, 0xA6, 0xA6, 0x2B, 0x2B, 0x2B, 0xA9,
    0xFE, 0xE0, 0xE1, 0xF6, 0xE4, 0xE5, 0xF4, 0xE3, 0xF5, 0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE,
    0xEF, 0xFF, 0xF0, 0xF1, 0xF2, 0xF3, 0xE6, 0xE2, 0xFC, 0xFB, 0xE7, 0xF8, 0xFD, 0xF9, 0xF7, 0xFA,
    0xDE, 0xC0, 0xC1, 0xD6, 0xC4, 0xC5, 0xD4, 0xC3, 0xD5, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE,
    0xCF, 0xDF, 0xD0, 0xD1, 0xD2, 0xD3, 0xC6, 0xC2, 0xDC, 0xDB, 0xC7, 0xD8, 0xDD, 0xD9, 0xD7, 0xDA,
};

// Accented Latin letters lose their accents; 0x98 keeps its value (see windows1251ToWide).
constexpr ByteTable kIso88591ToWindows1251 = {
    0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F,
    0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x98, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F,
    0xA0, 0x3F, 0x3F, 0x3F, 0xA4, 0x3F, 0xA6, 0xA7, 0x3F, 0xA9, 0x3F, 0xAB, 0xAC, 0xAD, 0xAE, 0x3F,
    0xB0, 0xB1, 0x3F, 0x3F, 0x3F, 0xB5, 0xB6, 0xB7, 0x3F, 0x3F, 0x3F, 0xBB, 0x3F, 0x3F, 0x3F, 0x3F,
    0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x3F, 0x43, 0x45, 0x45, 0x45, 0x45, 0x49, 0x49, 0x49, 0x49,
    0x3F, 0x4E, 0x4F, 0x4F, 0x4F, 0x4F, 0x4F, 0x3F, 0x4F, 0x55, 0x55, 0x55, 0x55, 0x59, 0x3F, 0x3F,
    0x61, 0x61, 0x61, 0x61, 0x61, 0x61, 0x3F, 0x63, 0x65, 0x65, 0x65, 0x65, 0x69, 0x69, 0x69, 0x69,
    0x3F, 0x6E, 0x6F, 0x6F, 0x6F, 0x6F, 0x6F, 0x3F, 0x6F, 0x75, 0x75, 0x75, 0x75, 0x79, 0x3F, 0x79,
};

constexpr std::array<char16_t, 128> kWindows1251Upper = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // B8
    // C0-FF: А-я in alphabetical order, filled in below.
};

constexpr std::array<char16_t, 256> makeWindows1251Table() {
    std::array<char16_t, 256> table{};
    for (unsigned i = 0; i < 0x80; ++i)
        table[i] = static_cast<char16_t>(i);
    for (unsigned i = 0; i < 0x40; ++i)
        table[0x80 + i] = kWindows1251Upper[i];
    for (unsigned i = 0; i < 0x40; ++i)
        table[0xC0 + i] = static_cast<char16_t>(0x0410 + i);
    return table;
}

constexpr std::array<char16_t, 256> kWindows1251 = makeWindows1251Table();

struct TableEntry {
    std::string_view from;
    std::string_view to;
    const ByteTable* table;
};

constexpr TableEntry kTables[] = {
    {"windows-1251", "koi8-r", &kWindows1251ToKoi8r},
    {"koi8-r", "windows-1251", &kKoi8rToWindows1251},
    {"iso-8859-1", "windows-1251", &kIso88591ToWindows1251},
};

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Charset names are ASCII and compared without regard to case (RFC 2978).
bool sameName(std::string_view name, std::string_view lowerName) {
    if (name.size() != lowerName.size())
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        if (asciiLower(name[i]) != lowerName[i])
            return false;
    }
    return true;
}

void truncateAtNul(std::u16string& text) {
    const auto nul = text.find(u'\0');
    if (nul != std::u16string::npos)
        text.resize(nul);
}

bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Appends one UTF-16 unit from a UTF-7 base64 run, pairing surrogates; `pendingHigh` holds a
// high surrogate until its partner arrives.
void appendUtf7Unit(std::u16string& out, char16_t unit, char16_t& pendingHigh) {
    if (pendingHigh != 0) {
        if (isLowSurrogate(unit)) {
            out.push_back(pendingHigh);
            out.push_back(unit);
            pendingHigh = 0;
            return;
        }
        out.push_back(u'\uFFFD');
        pendingHigh = 0;
    }
    if (isHighSurrogate(unit))
        pendingHigh = unit;
    else if (isLowSurrogate(unit))
        out.push_back(u'\uFFFD');
    else
        out.push_back(unit);
}

} // namespace

std::u16string windows1251ToWide(std::string_view bytes) {
    std::u16string wide(bytes.size(), u'\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        wide[i] = kWindows1251[static_cast<unsigned char>(bytes[i])];
    return wide;
}

std::u16string utf7ToWide(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    size_t pos = 0;
    while (pos < bytes.size()) {
        const auto byte = static_cast<unsigned char>(bytes[pos++]);
        if (byte >= 0x80) {
            out.push_back(u'\uFFFD');
            continue;
        }
        if (byte != '+') {
            out.push_back(static_cast<char16_t>(byte));
            continue;
        }
        if (pos < bytes.size() && bytes[pos] == '-') {
            out.push_back(u'+');
            ++pos;
            continue;
        }
        // A base64 run of UTF-16 units; it ends at the first byte outside the alphabet, and a
        // '-' that ends it is absorbed.
        std::uint32_t bits = 0;
        int bitCount = 0;
        char16_t pendingHigh = 0;
        while (pos < bytes.size()) {
            const int value = kBase64Values[static_cast<unsigned char>(bytes[pos])];
            if (value == kNotBase64)
                break;
            ++pos;
            bits = (bits << 6) | static_cast<std::uint32_t>(value);
            bitCount += 6;
            if (bitCount >= 16) {
                bitCount -= 16;
                appendUtf7Unit(out, static_cast<char16_t>(bits >> bitCount), pendingHigh);
                bits &= (1u << bitCount) - 1;
            }
        }
        // Whatever is left must be fewer than six zero bits, or the run was cut off.
        if (pendingHigh != 0 || bitCount >= 6 || bits != 0)
            out.push_back(u'\uFFFD');
        if (pos < bytes.size() && bytes[pos] == '-')
            ++pos;
    }
    return out;
}

std::u16string codePageToWide(CodePage codePage, std::string_view bytes) {
    std::u16string wide =
        codePage == CodePage::Utf7 ? utf7ToWide(bytes) : Norq::toWide(bytes); // Ansi is UTF-8
    truncateAtNul(wide);
    return wide;
}

bool convertCharset(std::string_view from, std::string_view to, std::string& bytes) {
    for (const auto& entry : kTables) {
        if (!sameName(from, entry.from) || !sameName(to, entry.to))
            continue;
        for (char& c : bytes) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte >= 0x80)
                c = static_cast<char>((*entry.table)[byte - 0x80]);
        }
        return true;
    }
    return false;
}

std::u16string charsetBytesToWide(std::string_view charset, std::string_view bytes) {
    if (sameName(charset, "utf-8"))
        return codePageToWide(CodePage::Utf8, bytes);
    if (sameName(charset, "utf-7"))
        return codePageToWide(CodePage::Utf7, bytes);
    // ASCII is a subset of UTF-8, and mail labelled us-ascii that carries 8-bit bytes carries
    // UTF-8 far more often than anything else.
    if (sameName(charset, "us-ascii"))
        return codePageToWide(CodePage::Ansi, bytes);

    std::u16string wide;
    if (sameName(charset, "windows-1251")) {
        wide = windows1251ToWide(bytes);
    } else if (sameName(charset, "koi8-r") || sameName(charset, "iso-8859-1")) {
        std::string translated(bytes);
        convertCharset(charset, "windows-1251", translated);
        wide = windows1251ToWide(translated);
    } else if (auto converted = Platform::charsetToWide(std::string(charset), bytes)) {
        wide = std::move(*converted);
    } else {
        return codePageToWide(CodePage::Ansi, bytes);
    }
    truncateAtNul(wide);
    return wide;
}
