#include "foundation/TextConversion.h"

#include "platform/TextCodec.h"

#include <algorithm>

namespace Norq {

std::u16string toWide(std::string_view narrow) {
    return Platform::narrowToWide(narrow);
}

std::string toNarrow(std::u16string_view wide) {
    return Platform::wideToNarrow(wide);
}

std::u16string asciiWiden(std::string_view narrow) {
    std::u16string wide(narrow.size(), u'\0');
    for (size_t i = 0; i < narrow.size(); ++i)
        wide[i] = static_cast<char16_t>(static_cast<unsigned char>(narrow[i]) & 0x7F);
    return wide;
}

bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return lower(x) == lower(y); });
}

} // namespace Norq
