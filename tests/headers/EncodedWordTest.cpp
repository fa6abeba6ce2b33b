#include "headers/EncodedWord.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct Sample {
    const char* name; // what is odd about it
    const char* value;
    const char16_t* expected;
};

// Header values as mailers send them, each decoded with the ANSI (UTF-8) raw code page.
const Sample kSamples[] = {
    {"Utf8Base64", "=?utf-8?B?0J/RgNC40LLQtdGCLCDQvNC40YAh?=", u"Привет, мир!"},
    {"Utf8Quoted",
     "=?utf-8?Q?Rechnung_f=C3=BCr_Ihre_Bestellung?=", u"Rechnung für Ihre Bestellung"},
    {"CharsetInCapitals", "=?UTF-8?b?0J/RgNC40LLQtdGCLCDQvNC40YAh?=", u"Привет, мир!"},
    {"Koi8rBase64", "=?koi8-r?B?79Teo9Qg2sEgy9fB0tTBzA==?=", u"Отчёт за квартал"},
    {"Koi8rQuotedInCapitals",
     "=?KOI8-R?q?=F3=C5=D2=C7=C5=CA_=F0=C5=D4=D2=CF=D7?=", u"Сергей Петров"},
    {"Windows1251Quoted",
     "=?windows-1251?Q?=D1=F7=B8=F2_=ED=E0_=EE=EF=EB=E0=F2=F3_=B9?=", u"Счёт на оплату №"},
    {"Windows1251Base64", "=?Windows-1251?B?zuv84+AgyOLg7e7i4A==?=", u"Ольга Иванова"},
    {"Iso88591KeepsAccents",
     "=?iso-8859-1?Q?R=E9union_du_comit=E9_n=B0_5?=", u"Réunion du comité n° 5"},
    {"Iso88591SenderInCapitals", "=?ISO-8859-1?Q?Andr=E9_et_Bj=F6rn?= <ab@example.fr>",
     u"André et Björn <ab@example.fr>"},
    {"Iso88592", "=?iso-8859-2?Q?=A3ukasz_W=F3jcik?=", u"Łukasz Wójcik"},
    {"Windows1252SmartQuotes", "=?windows-1252?Q?R=E9sum=E9_of_the_=93Q1=94_figures_=96_final?=",
     u"Résumé of the “Q1” figures – final"},
    {"Gb2312", "=?gb2312?B?udjT2rvh0um1xM2o1qo=?=", u"关于会议的通知"},
    {"Big5", "=?big5?B?ssQ1tMG5caRss/g=?=", u"第5期電子報"},
    {"ShiftJis", "=?shift_jis?B?kuiX4Ynvi2OCzIKokm2C54K5?=", u"定例会議のお知らせ"},
    {"Iso2022JpWithEscapes",
     "=?iso-2022-jp?B?GyRCJDRDbUo4JE5IL0F3JEskRCQkJEYbKEI=?=", u"ご注文の発送について"},
    {"EucKr", "=?euc-kr?B?wda5rsDMILnovNu1x776vcC0z7TZ?=", u"주문이 배송되었습니다"},
    {"Koi8u", "=?koi8-u?B?8NLJ16bULCD1y9LBp87P?=", u"Привіт, Україно"},
    {"Utf7", "=?utf-7?Q?+BB8EQAQ+BDIENQRABDoEMA_5?=", u"Проверка 5"},
    {"Utf7AstralAndPlus", "=?UTF-7?Q?Hi_+2D3eAA_+-1?=", u"Hi 😀 +1"},
    {"LanguageAfterCharset", "=?utf-8*en?Q?hello?=", u"hello"},
    {"UnknownCharsetReadAsAnsi", "=?x-unknown?Q?caf=C3=A9?=", u"café"},
    {"UsAsciiCarryingUtf8", "=?us-ascii?Q?caf=C3=A9?=", u"café"},
    {"UnknownEncodingPassesBytes", "=?utf-8?X?caf\xC3\xA9?=", u"café"},
    {"NoSpaceBetweenEncodedWords", "=?utf-8?Q?ab?==?utf-8?Q?cd?=", u"abcd"},
    {"SpaceBetweenEncodedWordsDropped", "=?utf-8?Q?ab?=  =?utf-8?Q?cd?=", u"abcd"},
    {"FoldWithSpaceBetweenEncodedWords", "=?utf-8?Q?ab?=\r\n =?utf-8?Q?cd?=", u"abcd"},
    {"FoldWithTabBetweenEncodedWords", "=?utf-8?Q?ab?=\r\n\t=?utf-8?Q?cd?=", u"abcd"},
    {"WordSplitAcrossEncodedWords",
     "=?utf-8?B?0JLQsNGIINC30LDQutCw0Lcg4oSWMSDQvtGC0L8=?= =?utf-8?B?0YDQsNCy0LvQtdC9?=",
     u"Ваш заказ №1 отправлен"},
    {"Utf8CharacterSplitOverTwoWords",
     "=?utf-8?Q?=D0=B4=D0=BE=D1=81=D1=82=D0=B0=D0=B2=D0=BB=D0?=\r\n =?UTF-8?Q?=B5=D0=BD=D0=BE?=",
     u"доставлено"},
    {"Utf8CharacterSplitOverBase64Words",
     "=?utf-8?B?0LTQvtGB0YLQsNCy0LvQ?= =?utf-8?B?tdC90L4=?=", u"доставлено"},
    {"WordsOfTwoCharsetsDecodedApart", "=?koi8-r?Q?=CD=C9=D2?= =?utf-8?Q?_=E2=82=AC?=", u"мир €"},
    {"SpaceBeforeRawTextKept", "=?utf-8?Q?a?= b =?utf-8?Q?c?= ", u"a b c "},
    {"SpaceBeforeBrokenWordKept", "=?utf-8?Q?a?= =?b", u"a =?b"},
    {"RawFoldWithSpace", "Meeting about the\r\n quarterly report",
     u"Meeting about the quarterly report"},
    {"RawFoldWithTab", "Meeting about the\r\n\tquarterly report",
     u"Meeting about the quarterly report"},
    {"RawAroundEncoded", "Re: [list] =?utf-8?B?0J/RgNC40LLQtdGC?= (fwd)",
     u"Re: [list] Привет (fwd)"},
    {"EncodedWordInsideRawText", "Price=?utf-8?Q?_=E2=82=AC?=5", u"Price €5"},
    {"SenderWithAddress", "=?utf-8?Q?J=C3=BCrgen_Wei=C3=9F?= <jw@example.de>",
     u"Jürgen Weiß <jw@example.de>"},
    {"RawEightBitUtf8", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", u"Привет"},
    {"RawInvalidUtf8", "caf\xE9 ok", u"caf\uFFFD ok"},
    {"RawLineBreaksDroppedTabsSpaced", "one\r\n two\tthree\nfour", u"one two threefour"},
    {"LoneEqualsQuestionStaysText", "Is 2+2 =? 4", u"Is 2+2 =? 4"},
    {"EqualsQuestionAtEnd", "trailing =?", u"trailing =?"},
    {"MissingEncodingStaysText", "=?utf-8? nothing", u"=?utf-8? nothing"},
    {"UnterminatedWordRunsToEnd", "Re: =?utf-8?Q?caf=C3=A9", u"Re: café"},
    {"EmptyEncodedText",
     "a=?utf-8?Q?"
     "?=b",
     u"ab"},
    {"NulEndsItsSegment", "=?utf-8?Q?a=00b?= c", u"a c"},
};

void PrintTo(const Sample& sample, std::ostream* out) {
    *out << sample.name;
}

class DecodeHeaderText : public testing::TestWithParam<Sample> {};

TEST_P(DecodeHeaderText, GivesTheTextAsWritten) {
    const Sample& sample = GetParam();
    EXPECT_EQ(decodeHeaderText(sample.value, CodePage::Ansi), sample.expected);
}

INSTANTIATE_TEST_SUITE_P(RealWorld, DecodeHeaderText, testing::ValuesIn(kSamples),
                         [](const testing::TestParamInfo<Sample>& param) {
                             return std::string(param.param.name);
                         });

TEST(EncodedWord, QDecoding) {
    EXPECT_EQ(decodeQ("a_b=3Dc"), "a b=c");
    EXPECT_EQ(decodeQ("=e2=82=ac"), "\xE2\x82\xAC");
    // A broken escape stays as written; a cut-off one ends the text.
    EXPECT_EQ(decodeQ("100=ZZ"), "100=ZZ");
    EXPECT_EQ(decodeQ("ab=4"), "ab");
    EXPECT_EQ(decodeQ("ab="), "ab");
}

TEST(EncodedWord, BDecoding) {
    EXPECT_EQ(decodeB("YWJj"), "abc");
    // Padding or not, the same bytes; leftover bits never make a byte of their own.
    EXPECT_EQ(decodeB("YQ=="), "a");
    EXPECT_EQ(decodeB("YQ"), "a");
    EXPECT_EQ(decodeB("YWI="), "ab");
    EXPECT_EQ(decodeB("YWI"), "ab");
    // Characters outside the alphabet (a fold inside the word) are skipped, as RFC 2045 says.
    EXPECT_EQ(decodeB("YW\r\n Jj"), "abc");
    EXPECT_EQ(decodeB(""), "");
}

TEST(EncodedWord, DecodeEncodedWordReportsWhereTheWordEnds) {
    const std::string value = "x =?utf-8?Q?a?= y";
    size_t position = 2;
    EXPECT_EQ(decodeEncodedWord(value, position), u"a");
    EXPECT_EQ(position, value.find("?=") + 1);

    position = 0;
    EXPECT_FALSE(decodeEncodedWord(value, position).has_value());
    EXPECT_EQ(position, 0u);

    const std::string open = "=?utf-8?Q?abc";
    position = 0;
    EXPECT_EQ(decodeEncodedWord(open, position), u"abc");
    EXPECT_EQ(position, open.size() - 1);
}

TEST(EncodedWord, UsesTheRawCodePage) {
    EXPECT_EQ(decodeHeaderText("+BB8-", CodePage::Utf7), u"П");
    EXPECT_EQ(decodeHeaderText("+BB8-", CodePage::Utf8), u"+BB8-");
}

// Every prefix of a value sits in a buffer of exactly its size, so that the address sanitizer
// catches a read past the end.
TEST(EncodedWord, TruncatedValuesAreDecodedWithinBounds) {
    for (const Sample& sample : kSamples) {
        const std::string whole = sample.value;
        for (size_t length = 0; length <= whole.size(); ++length) {
            const auto buffer = std::make_unique<char[]>(length);
            whole.copy(buffer.get(), length);
            const std::u16string text =
                decodeHeaderText(std::string_view(buffer.get(), length), CodePage::Ansi);
            EXPECT_LE(text.size(), length) << sample.name << " cut at " << length;
        }
    }
}

TEST(EncodedWord, HostileValuesDecodeInLinearTime) {
    const size_t size = 1 << 20;
    std::string repeated;
    // Each of these would cost a rescan per character in a decoder that looks ahead naively.
    for (const std::string unit : {"=?", "=?a", "=?a?", "=?a?b?", "=?a?Q?=", "?=", "=\r\n"}) {
        repeated.clear();
        while (repeated.size() < size)
            repeated += unit;
        const std::u16string text = decodeHeaderText(repeated, CodePage::Ansi);
        EXPECT_LE(text.size(), repeated.size()) << unit;
    }
    const std::string longWord = "=?utf-8?B?" + std::string(size, 'A') + "?=";
    EXPECT_EQ(decodeHeaderText(longWord, CodePage::Ansi), u""); // all zero bytes, ends at NUL
    const std::string nuls(size, '\0');
    EXPECT_EQ(decodeHeaderText(nuls, CodePage::Ansi), u"");
}

} // namespace
