#include "platform/TextCodec.h"

#include <gtest/gtest.h>

using Platform::narrowLength;
using Platform::narrowToWide;
using Platform::wideToNarrow;

TEST(TextCodec, RoundTripsEveryPlane) {
    const std::u16string wide = u"Grüße, Привет, 日本語, \U0001F600!";
    const std::string narrow = wideToNarrow(wide);
    EXPECT_EQ(narrow, "Grüße, Привет, 日本語, \U0001F600!");
    EXPECT_EQ(narrowLength(wide), narrow.size());
    EXPECT_EQ(narrowToWide(narrow), wide);
}

TEST(TextCodec, IllFormedUtf8BecomesReplacementCharacters) {
    // A lone continuation byte, a cut-off sequence at the end, an overlong form, a surrogate
    // and a lead byte that never starts a sequence.
    EXPECT_EQ(narrowToWide("a\x80z"), u"a\uFFFDz");
    EXPECT_EQ(narrowToWide("a\xE2\x82"), u"a\uFFFD");
    EXPECT_EQ(narrowToWide("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(narrowToWide("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(narrowToWide("\xFF"), u"\uFFFD");
    // The byte that broke a sequence starts the next one.
    EXPECT_EQ(narrowToWide("\xE2\x82\x41"), u"\uFFFDA");
}

TEST(TextCodec, UnpairedSurrogatesBecomeReplacementCharacters) {
    const std::u16string lone = {u'x', char16_t(0xD800), u'y', char16_t(0xDC00)};
    EXPECT_EQ(wideToNarrow(lone), "x\xEF\xBF\xBDy\xEF\xBF\xBD");
    EXPECT_EQ(narrowLength(lone), 8u);
}

TEST(TextCodec, KeepsEmbeddedNul) {
    EXPECT_EQ(narrowToWide(std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
}
