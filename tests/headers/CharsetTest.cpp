#include "headers/Charset.h"

#include "platform/CharsetConverter.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace {

using Substitutes = std::map<unsigned, unsigned>;

// "80 81 9F" -> each byte maps to `target`.
void add(Substitutes& map, const char* bytes, unsigned target) {
    std::istringstream in(bytes);
    unsigned byte = 0;
    while (in >> std::hex >> byte)
        map[byte] = target;
}

void addRange(Substitutes& map, unsigned first, unsigned last, char target) {
    for (unsigned byte = first; byte <= last; ++byte)
        map[byte] = static_cast<unsigned char>(target);
}

// The characters each target code page lacks, and what the tables put in their place.
Substitutes windows1251ToKoi8rSubstitutes() {
    Substitutes map;
    add(map,
        "80 81 83 88 8A 8C 8D 8E 8F 90 98 9A 9C 9D 9E 9F A1 A2 A3 A4 A5 AA AF B2 B3 B4 B9 BA BC "
        "BD BE BF",
        0x3F);
    add(map, "84 93 94", 0x22);
    add(map, "82 91 92", 0x27);
    add(map, "96 97 AD", 0x2D);
    add(map, "8B AB", 0x3C);
    add(map, "9B BB", 0x3E);
    const std::pair<unsigned, unsigned> singles[] = {
        {0x85, 0x3A}, {0x89, 0x25}, {0x99, 0x54}, {0xAE, 0x52}, {0xB1, 0x2B},
        {0x95, 0x07}, {0xA7, 0x15}, {0xB6, 0x14}, {0xA6, 0x81}, {0xAC, 0x83},
        {0x86, 0x8A}, {0x87, 0xBC}, {0xB5, 0xDE}};
    map.insert(std::begin(singles), std::end(singles));
    return map;
}

Substitutes koi8rToWindows1251Substitutes() {
    Substitutes map;
    add(map, "80 82 85 8B 8C 8D 90 91 92 A2 AC AD AE", 0x2D);
    add(map, "81 8E 8F 94 A1 AF B0 B1 B2 B4 B5 B9 BA BB", 0xA6);
    add(map, "86 87 89 8A BC BD BE", 0x2B);
    add(map, "93 97 98 99 9B 9D 9F", 0x3F);
    add(map, "84 A9 AA AB", 0x4C);
    add(map, "88 B6 B7 B8", 0x54);
    add(map, "83 A6 A7 A8", 0xAC);
    add(map, "A4 A5", 0xE3);
    map[0xA0] = 0x3D;
    map[0x96] = 0x76;
    map[0x95] = 0x95;
    return map;
}

Substitutes iso88591ToWindows1251Substitutes() {
    Substitutes map;
    addRange(map, 0xC0, 0xC5, 'A');
    map[0xC7] = 'C';
    addRange(map, 0xC8, 0xCB, 'E');
    addRange(map, 0xCC, 0xCF, 'I');
    map[0xD1] = 'N';
    addRange(map, 0xD2, 0xD6, 'O');
    map[0xD8] = 'O';
    addRange(map, 0xD9, 0xDC, 'U');
    map[0xDD] = 'Y';
    addRange(map, 0xE0, 0xE5, 'a');
    map[0xE7] = 'c';
    addRange(map, 0xE8, 0xEB, 'e');
    addRange(map, 0xEC, 0xEF, 'i');
    map[0xF1] = 'n';
    addRange(map, 0xF2, 0xF6, 'o');
    map[0xF8] = 'o';
    addRange(map, 0xF9, 0xFC, 'u');
    map[0xFD] = 'y';
    map[0xFF] = 'y';
    map[0x98] = 0x98;
    addRange(map, 0x80, 0x97, '?');
    addRange(map, 0x99, 0x9F, '?');
    add(map, "A1 A2 A3 A5 A8 AA AF B2 B3 B4 B8 B9 BA BC BD BE BF C6 D0 D7 DE DF E6 F0 F7 FE", '?');
    return map;
}

std::u16string viaIconv(const char* charset, std::string_view bytes) {
    return Platform::charsetToWide(charset, bytes).value_or(u"<unknown charset>");
}

struct TableCase {
    const char* from;
    const char* to;
    const char* iconvFrom;
    const char* iconvTo;
    Substitutes (*substitutes)();
};

class CharsetTable : public testing::TestWithParam<TableCase> {};

// Every byte either lands on the same character in the target code page, as the system's own
// converter reads both, or is one of the listed substitutes.
TEST_P(CharsetTable, EveryByteMatchesTheCodePagesOrItsSubstitute) {
    const TableCase& table = GetParam();
    const Substitutes substitutes = table.substitutes();
    for (unsigned byte = 0; byte < 256; ++byte) {
        std::string bytes(1, static_cast<char>(byte));
        ASSERT_TRUE(convertCharset(table.from, table.to, bytes));
        const auto out = static_cast<unsigned char>(bytes[0]);
        const auto substitute = substitutes.find(byte);
        if (substitute != substitutes.end()) {
            EXPECT_EQ(out, substitute->second) << "substitute for byte " << byte;
            continue;
        }
        EXPECT_EQ(viaIconv(table.iconvTo, bytes),
                  viaIconv(table.iconvFrom, std::string(1, static_cast<char>(byte))))
            << "byte " << byte;
        if (byte < 0x80) {
            EXPECT_EQ(out, byte);
        }
    }
}

std::string tableName(const testing::TestParamInfo<TableCase>& param) {
    const char* const names[] = {"Windows1251ToKoi8r", "Koi8rToWindows1251",
                                 "Iso88591ToWindows1251"};
    return names[param.index];
}

INSTANTIATE_TEST_SUITE_P(AllTables, CharsetTable,
                         testing::Values(TableCase{"windows-1251", "koi8-r", "WINDOWS-1251",
                                                   "KOI8-R", windows1251ToKoi8rSubstitutes},
                                         TableCase{"koi8-r", "windows-1251", "KOI8-R",
                                                   "WINDOWS-1251", koi8rToWindows1251Substitutes},
                                         TableCase{"iso-8859-1", "windows-1251", "ISO-8859-1",
                                                   "WINDOWS-1251",
                                                   iso88591ToWindows1251Substitutes}),
                         tableName);

TEST(Charset, ConvertCharsetKnowsOnlyItsThreePairs) {
    std::string bytes = "\xC0\xE1";
    EXPECT_FALSE(convertCharset("koi8-r", "koi8-u", bytes));
    EXPECT_FALSE(convertCharset("windows-1251", "windows-1251", bytes));
    EXPECT_FALSE(convertCharset("utf-8", "windows-1251", bytes));
    EXPECT_EQ(bytes, "\xC0\xE1");
    // The names are matched without regard to case.
    EXPECT_TRUE(convertCharset("KOI8-R", "Windows-1251", bytes));
    EXPECT_EQ(bytes, "\xFE\xC0"); // "юА"
}

TEST(Charset, Windows1251DecodingMatchesTheCodePage) {
    for (unsigned byte = 0; byte < 256; ++byte) {
        if (byte == 0x98)
            continue; // undefined in the code page
        const std::string bytes(1, static_cast<char>(byte));
        EXPECT_EQ(windows1251ToWide(bytes), viaIconv("WINDOWS-1251", bytes)) << "byte " << byte;
    }
    EXPECT_EQ(windows1251ToWide("\x98"), u"\u0098");
}

// Well-formed UTF-7 decodes as the system's converter decodes it.
TEST(Charset, Utf7MatchesTheStandardConverter) {
    const char* const samples[] = {
        "Hi Mom -+Jjo--!",     "A+ImIDkQ.",  "+ZeVnLIqe-", "1+-1", "+BB8EQAQ+BDIENQRABDoEMA 5",
        "Hi +2D3eAA +-1",      "+AGEAYgBj-", "plain",      "",     "a+AGE-b",
        "+2D3eAA-+2D3eAA-end",
    };
    for (const char* sample : samples)
        EXPECT_EQ(utf7ToWide(sample), viaIconv("UTF-7", sample)) << sample;
}

TEST(Charset, MalformedUtf7IsMarkedNotFatal) {
    EXPECT_EQ(utf7ToWide("+AG-x"), u"\uFFFDx");     // cut off inside a unit
    EXPECT_EQ(utf7ToWide("+AGEA-x"), u"a\uFFFDx");  // six spare bits
    EXPECT_EQ(utf7ToWide("+AGF-"), u"a\uFFFD");     // spare bits not zero
    EXPECT_EQ(utf7ToWide("+2D0-x"), u"\uFFFDx");    // high surrogate alone
    EXPECT_EQ(utf7ToWide("+3gA-x"), u"\uFFFDx");    // low surrogate alone
    EXPECT_EQ(utf7ToWide("caf\xE9"), u"caf\uFFFD"); // 8-bit byte
    EXPECT_EQ(utf7ToWide("a+"), u"a");
    EXPECT_EQ(utf7ToWide("~\\"), u"~\\"); // not strictly direct, but unambiguous
}

TEST(Charset, CharsetBytesToWideChoosesTheDecoder) {
    EXPECT_EQ(charsetBytesToWide("utf-8", "\xC3\xA9"), u"é");
    EXPECT_EQ(charsetBytesToWide("UTF-7", "+AOk-"), u"é");
    EXPECT_EQ(charsetBytesToWide("windows-1251", "\xEC\xE8\xF0"), u"мир");
    EXPECT_EQ(charsetBytesToWide("koi8-r", "\xCD\xC9\xD2"), u"мир");
    EXPECT_EQ(charsetBytesToWide("iso-8859-1", "\xE9t\xE9 \xA9"), u"ete ©");
    EXPECT_EQ(charsetBytesToWide("koi8-u", "\xA4"), u"є");
    EXPECT_EQ(charsetBytesToWide("cp1251", "\xEC\xE8\xF0"), u"мир"); // an alias the converter knows
    // Unknown names are read as the ANSI code page, UTF-8 here.
    EXPECT_EQ(charsetBytesToWide("x-unknown", "\xC3\xA9"), u"é");
    EXPECT_EQ(charsetBytesToWide("", "\xC3\xA9"), u"é");
}

TEST(Charset, ConversionsEndAtTheFirstNul) {
    const std::string bytes("ab\0cd", 5);
    EXPECT_EQ(charsetBytesToWide("utf-8", bytes), u"ab");
    EXPECT_EQ(charsetBytesToWide("koi8-r", bytes), u"ab");
    EXPECT_EQ(charsetBytesToWide("iso-8859-2", bytes), u"ab");
    EXPECT_EQ(codePageToWide(CodePage::Ansi, bytes), u"ab");
    // In UTF-16 a zero byte is only half a character.
    EXPECT_EQ(charsetBytesToWide("utf-16be", std::string("\0a\0b", 4)), u"ab");
}

} // namespace
