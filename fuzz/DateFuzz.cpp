// The date of a Received line: any text gives a date, and absurd ones no overflow.
#include "headers/MailDate.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<char> text(data, data + size);
    const MailDate date = parseMailDate(std::string_view(text.data(), text.size()));
    return date.time == 0 && date.zoneOffset != 0 ? 1 : 0;
}
