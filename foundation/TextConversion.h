#pragma once

#include <string>
#include <string_view>

namespace Norq {

/// Narrow text (UTF-8) to wide text (UTF-16); invalid bytes become U+FFFD.
std::u16string toWide(std::string_view narrow);
/// Wide text (UTF-16) to narrow text (UTF-8); an unpaired surrogate becomes U+FFFD.
std::string toNarrow(std::u16string_view wide);
/// Each byte becomes one unit holding its low seven bits; no character set is involved.
std::u16string asciiWiden(std::string_view narrow);
/// Whether the two texts are the same when ASCII letters are compared without their case, as
/// host names and, in practice, e-mail addresses are.
bool equalIgnoringAsciiCase(std::string_view a, std::string_view b);

} // namespace Norq
