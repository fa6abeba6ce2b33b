#pragma once

#include "foundation/SaveLoad.h"
#include "logic/Mail.h"
#include "tests/support/ScopedTimeZone.h"

#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>
#include <string>

namespace LogicTest {

using TestSupport::ScopedTimeZone;

/// The date text a server in the zone `zoneMinutes` east of UTC writes for the UTC moment
/// `utc`, such as "Sat, 15 Jul 2023 15:00:00 +0300".
inline std::string receivedDateText(std::time_t utc, int zoneMinutes) {
    const std::time_t wall = utc + zoneMinutes * 60;
    std::tm broken{};
    gmtime_r(&wall, &broken);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S", &broken);
    const int magnitude = zoneMinutes < 0 ? -zoneMinutes : zoneMinutes;
    char zone[32];
    std::snprintf(zone, sizeof zone, " %c%02d%02d", zoneMinutes < 0 ? '-' : '+', magnitude / 60,
                  magnitude % 60);
    return std::string(text) + zone;
}

/// A header block as a POP3 server hands it out for a message received at `utc`.
inline std::string headerBlock(std::time_t utc, int zoneMinutes, const std::string& subject) {
    return "Received: from relay.example.net by mx.example.org; " +
           receivedDateText(utc, zoneMinutes) + "\r\nSubject: " + subject +
           "\r\nFrom: Sender <sender@example.net>\r\n\r\n.\r\n";
}

inline std::shared_ptr<Logic::Mail> mailAt(std::time_t utc, int zoneMinutes = 0,
                                           const std::string& subject = "hello",
                                           const std::string& account = "user@example.org") {
    return std::make_shared<Logic::Mail>(account, headerBlock(utc, zoneMinutes, subject));
}

/// Reads a record of type T back from the bytes a Writer collected.
template <class T> T readBack(const std::string& bytes) {
    Norq::SaveLoad::Reader reader(bytes);
    return T(reader);
}

} // namespace LogicTest
