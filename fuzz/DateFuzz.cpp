// The date of a Received line: any text gives a date, and absurd ones no overflow.
#include "headers/MailDate.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<char> text(data, data + size);
    const MailDate date = parseMailDate(std::string_view(text.data(), text.size()));
    // A zone is at most two digits of hours and two of minutes.
    constexpr std::int32_t kWidestZone = (99 * 60 + 99) * 60;
    if (date.zoneOffset > kWidestZone || date.zoneOffset < -kWidestZone)
        std::abort();
    return 0;
}
