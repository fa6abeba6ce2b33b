#include "foundation/TextConversion.h"

#include <gtest/gtest.h>

TEST(TextConversion, NarrowTextRoundTrips) {
    const std::string narrow = "Входящие: 3 — ok";
    EXPECT_EQ(Norq::toNarrow(Norq::toWide(narrow)), narrow);
    EXPECT_EQ(Norq::toWide(narrow), u"Входящие: 3 — ok");
    EXPECT_EQ(Norq::toWide(""), u"");
}

TEST(TextConversion, NarrowOutputIsSizedForMultiByteCharacters) {
    // One UTF-16 unit can need three bytes; nothing may be cut off.
    const std::u16string wide(1000, u'€');
    const std::string narrow = Norq::toNarrow(wide);
    EXPECT_EQ(narrow.size(), 3000u);
    EXPECT_EQ(Norq::toWide(narrow), wide);
}

TEST(TextConversion, AsciiWidenKeepsSevenBits) {
    EXPECT_EQ(Norq::asciiWiden("\xC0"), u"\u0040");
    EXPECT_EQ(Norq::asciiWiden("Ab\xFF"), u"Ab\u007F");
}
