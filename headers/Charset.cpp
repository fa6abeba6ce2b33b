#include "headers/Charset.h"

#include "foundation/AsciiText.h"
#include "foundation/TextConversion.h"
#include "headers/Base64Alphabet.h"
#include "platform/CharsetConverter.h"

#include <array>
#include <cstdint>

namespace {

using UpperHalf = std::array<char16_t, 128>;

// The 8-bit charsets mail is most often written in, decoded by the program itself so that they
// never depend on which converters the system has. Each table gives the characters of the bytes
// 0x80-0xFF; the bytes below are ASCII.

// 0x98 is undefined in windows-1251; it becomes its C1 namesake, as other decoders do.
constexpr UpperHalf kWindows1251 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F, // F8
};

// RFC 1489.
constexpr UpperHalf kKoi8r = {
    0x2500, 0x2502, 0x250C, 0x2510, 0x2514, 0x2518, 0x251C, 0x2524, // 80
    0x252C, 0x2534, 0x253C, 0x2580, 0x2584, 0x2588, 0x258C, 0x2590, // 88
    0x2591, 0x2592, 0x2593, 0x2320, 0x25A0, 0x2219, 0x221A, 0x2248, // 90
    0x2264, 0x2265, 0x00A0, 0x2321, 0x00B0, 0x00B2, 0x00B7, 0x00F7, // 98
    0x2550, 0x2551, 0x2552, 0x0451, 0x2553, 0x2554, 0x2555, 0x2556, // A0
    0x2557, 0x2558, 0x2559, 0x255A, 0x255B, 0x255C, 0x255D, 0x255E, // A8
    0x255F, 0x2560, 0x2561, 0x0401, 0x2562, 0x2563, 0x2564, 0x2565, // B0
    0x2566, 0x2567, 0x2568, 0x2569, 0x256A, 0x256B, 0x256C, 0x00A9, // B8
    0x044E, 0x0430, 0x0431, 0x0446, 0x0434, 0x0435, 0x0444, 0x0433, // C0
    0x0445, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, // C8
    0x043F, 0x044F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0436, 0x0432, // D0
    0x044C, 0x044B, 0x0437, 0x0448, 0x044D, 0x0449, 0x0447, 0x044A, // D8
    0x042E, 0x0410, 0x0411, 0x0426, 0x0414, 0x0415, 0x0424, 0x0413, // E0
    0x0425, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, // E8
    0x041F, 0x042F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0416, 0x0412, // F0
    0x042C, 0x042B, 0x0417, 0x0428, 0x042D, 0x0429, 0x0427, 0x042A, // F8
};

// ISO-8859-1 is the first 256 characters of Unicode.
constexpr UpperHalf makeIso88591() {
    UpperHalf table{};
    for (unsigned i = 0; i < table.size(); ++i)
        table[i] = static_cast<char16_t>(0x80 + i);
    return table;
}

constexpr UpperHalf kIso88591 = makeIso88591();

std::u16string eightBitToWide(const UpperHalf& upper, std::string_view bytes) {
    std::u16string wide(bytes.size(), u'\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        wide[i] = byte < 0x80 ? char16_t{byte} : upper[byte - 0x80u];
    }
    return wide;
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

std::u16string charsetBytesToWide(std::string_view charset, std::string_view bytes) {
    if (Norq::equalsIgnoringAsciiCase(charset, "utf-8"))
        return codePageToWide(CodePage::Utf8, bytes);
    if (Norq::equalsIgnoringAsciiCase(charset, "utf-7"))
        return codePageToWide(CodePage::Utf7, bytes);
    // ASCII is a subset of UTF-8, and mail labelled us-ascii that carries 8-bit bytes carries
    // UTF-8 far more often than anything else.
    if (Norq::equalsIgnoringAsciiCase(charset, "us-ascii"))
        return codePageToWide(CodePage::Ansi, bytes);

    std::u16string wide;
    if (Norq::equalsIgnoringAsciiCase(charset, "windows-1251")) {
        wide = eightBitToWide(kWindows1251, bytes);
    } else if (Norq::equalsIgnoringAsciiCase(charset, "koi8-r")) {
        wide = eightBitToWide(kKoi8r, bytes);
    } else if (Norq::equalsIgnoringAsciiCase(charset, "iso-8859-1")) {
        wide = eightBitToWide(kIso88591, bytes);
    } else if (auto converted = Platform::charsetToWide(std::string(charset), bytes)) {
        wide = std::move(*converted);
    } else {
        return codePageToWide(CodePage::Ansi, bytes);
    }
    truncateAtNul(wide);
    return wide;
}
