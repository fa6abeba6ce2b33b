#pragma once

#include <compare>
#include <cstdint>
#include <string_view>

/// The date of a message as its header wrote it: `time` is the wall-clock date and time turned
/// into seconds by `mktime` as if it were local time, `zoneOffset` the header's zone in seconds
/// east of UTC. Dates are equal, ordered and shown by their instant, never by the fields apart:
/// 10:00 +0100 and 09:00 +0000 are the same moment.
struct MailDate {
    std::int32_t time = 0;
    std::int32_t zoneOffset = 0;

    /// `time` − `zoneOffset`, wide enough that no pair of 32-bit values overflows it.
    constexpr std::int64_t instant() const { return std::int64_t{time} - std::int64_t{zoneOffset}; }

    /// False for the date of a message without a dated Received line, (0, 0), and for a date
    /// that 32-bit seconds cannot hold or that did not parse, time -1: such a message cannot be
    /// told new from old.
    constexpr bool isKnown() const { return time != -1 && (time != 0 || zoneOffset != 0); }

    friend constexpr bool operator==(const MailDate& a, const MailDate& b) {
        return a.instant() == b.instant();
    }
    friend constexpr std::strong_ordering operator<=>(const MailDate& a, const MailDate& b) {
        return a.instant() <=> b.instant();
    }
};

/// Reads the date of a "Received:" field (the text after its ';'), such as
/// "Mon, 7 Dec 2009 10:15:30 +0300". Never fails: numbers that cannot be read count as 0 (and
/// leave a diagnostic line), a zone that is not numeric counts as 0, two- and three-digit years
/// are read as RFC 5322 says (09 is 2009, 99 is 1999, 109 is 2009), and a date that 32-bit
/// seconds cannot hold gives time -1.
MailDate parseMailDate(std::string_view text);
