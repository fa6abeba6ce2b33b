#include "platform/CharsetConverter.h"

#include <gtest/gtest.h>

using Platform::charsetToWide;

TEST(CharsetConverter, DecodesNamedCharacterSets) {
    EXPECT_EQ(charsetToWide("iso-8859-2", "\xA3\xF3\x64\xBC"), u"Łódź");
    EXPECT_EQ(charsetToWide("windows-1252", "\x80 caf\xE9"), u"€ café");
    EXPECT_EQ(charsetToWide("koi8-u", "\xA4"), u"є");
    EXPECT_EQ(charsetToWide("shift_jis", "\x93\xFA\x96\x7B"), u"日本");
    EXPECT_EQ(charsetToWide("ISO-2022-JP", "\x1B$BF|K\\\x1B(B"), u"日本");
}

TEST(CharsetConverter, UnknownCharacterSetGivesNothing) {
    EXPECT_FALSE(charsetToWide("x-no-such-charset", "abc").has_value());
    EXPECT_FALSE(charsetToWide("", "abc").has_value());
}

TEST(CharsetConverter, InvalidSequencesAreMarkedAndSkipped) {
    // A byte that never occurs in UTF-8, then a character cut off at the end of the input.
    const auto wide = charsetToWide("utf-8", "a\xFF"
                                             "b\xE2\x82");
    ASSERT_TRUE(wide.has_value());
    EXPECT_EQ(wide->substr(0, 3), u"a\uFFFDb");
    EXPECT_EQ(wide->back(), u'\uFFFD');
}

TEST(CharsetConverter, LongInputIsConvertedWhole) {
    const std::string latin(100000, '\xE9');
    const auto wide = charsetToWide("iso-8859-1", latin);
    ASSERT_TRUE(wide.has_value());
    EXPECT_EQ(*wide, std::u16string(100000, u'é'));
}
