#include "headers/MailDate.h"

#include "tests/support/ScopedTimeZone.h"
#include "tests/support/StderrCapture.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

// 2009-12-07 10:15:30 read as UTC.
constexpr std::int32_t kDecember7 = 1260180930;

std::tm brokenDown(std::int32_t time) {
    const std::time_t seconds = time;
    std::tm broken{};
    localtime_r(&seconds, &broken);
    return broken;
}

TEST(ParseMailDate, ReadsAReceivedDate) {
    TestSupport::ScopedTimeZone zone("UTC0");
    const MailDate date = parseMailDate(" Mon, 7 Dec 2009 10:15:30 +0300");
    EXPECT_EQ(date.time, kDecember7);
    EXPECT_EQ(date.zoneOffset, 10800);
    const std::tm broken = brokenDown(date.time);
    EXPECT_EQ(broken.tm_mday, 7);
    EXPECT_EQ(broken.tm_mon, 11);
    EXPECT_EQ(broken.tm_year, 109);
    EXPECT_EQ(broken.tm_hour, 10);
    EXPECT_EQ(broken.tm_min, 15);
    EXPECT_EQ(broken.tm_sec, 30);
}

TEST(ParseMailDate, WallClockIsReadAsLocalTime) {
    TestSupport::ScopedTimeZone zone("MSK-3");
    const MailDate date = parseMailDate("Mon, 7 Dec 2009 10:15:30 +0300");
    EXPECT_EQ(date.time, kDecember7 - 10800);
    EXPECT_EQ(date.instant(), kDecember7 - 2 * 10800);
}

TEST(ParseMailDate, ZoneOnlyFromFiveCharacterNumbers) {
    TestSupport::ScopedTimeZone zone("UTC0");
    TestSupport::StderrCapture capture; // "(UTC)" has five characters, and no number in them
    EXPECT_EQ(parseMailDate("7 Dec 2009 10:15:30 -0500").zoneOffset, -18000);
    EXPECT_EQ(parseMailDate("7 Dec 2009 10:15:30 +0530").zoneOffset, 19800);
    EXPECT_EQ(parseMailDate("7 Dec 2009 10:15:30 EST").zoneOffset, 0);
    EXPECT_EQ(parseMailDate("7 Dec 2009 10:15:30 (UTC)").zoneOffset, 0);
    EXPECT_EQ(parseMailDate("7 Dec 2009 10:15:30 +0300 (MSK)").zoneOffset, 10800);
}

TEST(ParseMailDate, TokensAreSplitAtAnyWhiteSpace) {
    TestSupport::ScopedTimeZone zone("UTC0");
    const MailDate date = parseMailDate("\r\n\tMon,  7\tDec 2009\r\n 10:15:30 +0300\r\n");
    EXPECT_EQ(date.time, kDecember7);
    EXPECT_EQ(date.zoneOffset, 10800);
    EXPECT_EQ(parseMailDate("07 Dec 2009 10:15:30 +0000").time, kDecember7);
}

TEST(ParseMailDate, MissingPartsCountAsZero) {
    TestSupport::ScopedTimeZone zone("UTC0");
    EXPECT_EQ(parseMailDate("7 Dec 2009 10:15").time, kDecember7 - 30);
    EXPECT_EQ(parseMailDate("7 Dec 2009").time, kDecember7 - 36930);
    EXPECT_EQ(parseMailDate("7 Dec 2009 10:15:30:99 +0000 extra").time, kDecember7);
    // A month name not in the list leaves January.
    EXPECT_EQ(parseMailDate("7 Dez 2009 10:15:30").time, kDecember7 - 334 * 86400);
}

TEST(ParseMailDate, ObsoleteShortYears) {
    TestSupport::ScopedTimeZone zone("UTC0");
    EXPECT_EQ(parseMailDate("7 Dec 09 10:15:30 +0000").time, kDecember7);
    EXPECT_EQ(parseMailDate("7 Dec 109 10:15:30 +0000").time, kDecember7);
    EXPECT_EQ(parseMailDate("7 Dec 99 00:00:00").time, 944524800); // 1999
}

TEST(ParseMailDate, BadNumbersAreZeroWithADiagnostic) {
    TestSupport::ScopedTimeZone zone("UTC0");
    TestSupport::StderrCapture capture;
    // The weekday is skipped only once; "7," is then no number, and day 0 is 30 November.
    const MailDate date = parseMailDate("Mon, 7, Dec 2009 10:15:30 +0300");
    EXPECT_EQ(date.time, kDecember7 - 7 * 86400);
    EXPECT_NE(capture.text().find("wrong lexical cast to int $[7,]"), std::string::npos);
}

TEST(ParseMailDate, UnrepresentableDatesGiveMinusOne) {
    TestSupport::ScopedTimeZone zone("UTC0");
    TestSupport::StderrCapture capture; // quiet the diagnostics of the bad numbers
    const char* const absurd[] = {
        "",
        "Mon,",
        "7 Dec 2040 10:15:30 +0000",
        "7 Dec 1800 10:15:30 +0000",
        "7 Dec 2147483647 10:15:30",
        "7 Dec -2147483648 10:15:30",
        "7 Dec 99999999999999999999 10:15:30",
        "2147483647 Dec 2009 2147483647:2147483647:2147483647 +9999",
        "-2147483648 Dec 2009 -2147483648:-2147483648:-2147483648 -9999",
    };
    for (const char* text : absurd)
        EXPECT_EQ(parseMailDate(text).time, -1) << text;
    EXPECT_EQ(parseMailDate("1 Jan 2009 00:00:00 +9999").zoneOffset, 99 * 3600 + 99 * 60);
}

TEST(MailDate, ComparesInstants) {
    const MailDate london{36000, 0};
    const MailDate paris{39600, 3600}; // the same moment, written an hour later
    const MailDate later{36001, 0};
    EXPECT_EQ(london, paris);
    EXPECT_LT(paris, later);
    EXPECT_GT(later, london);
    // No pair of 32-bit fields overflows the instant.
    const MailDate low{INT32_MIN, INT32_MAX};
    const MailDate high{INT32_MAX, INT32_MIN};
    EXPECT_LT(low, high);
    EXPECT_EQ(high.instant() - low.instant(), 2 * (std::int64_t{INT32_MAX} - INT32_MIN));
}

} // namespace
