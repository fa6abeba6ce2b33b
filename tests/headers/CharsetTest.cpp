#include "headers/Charset.h"

#include "platform/CharsetConverter.h"

#include <gtest/gtest.h>

namespace {

std::u16string viaIconv(const char* charset, std::string_view bytes) {
    return Platform::charsetToWide(charset, bytes).value_or(u"<unknown charset>");
}

// The charsets the program decodes by itself read every byte as the system's own converter does;
// the one byte windows-1251 leaves undefined becomes its C1 namesake.
TEST(Charset, BuiltInCharsetsMatchTheSystemConverterByteForByte) {
    for (const char* charset : {"windows-1251", "koi8-r", "iso-8859-1"}) {
        for (unsigned byte = 1; byte < 256; ++byte) {
            const std::string bytes(1, static_cast<char>(byte));
            const std::u16string expected =
                byte == 0x98 && charset == std::string_view("windows-1251")
                    ? u"\u0098"
                    : viaIconv(charset, bytes);
            EXPECT_EQ(charsetBytesToWide(charset, bytes), expected) << charset << " byte " << byte;
        }
    }
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
    EXPECT_EQ(charsetBytesToWide("iso-8859-1", "\xE9t\xE9 \xA9"), u"été ©");
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
