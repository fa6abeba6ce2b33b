#pragma once

#include <string>
#include <string_view>

namespace Platform {

/// Narrow text is UTF-8; wide text is UTF-16. Invalid input becomes U+FFFD (wide) or the
/// UTF-8 form of U+FFFD (narrow); neither conversion fails.
std::u16string narrowToWide(std::string_view narrow);
std::string wideToNarrow(std::u16string_view wide);

/// How many UTF-8 bytes `wideToNarrow` produces for this text.
size_t narrowLength(std::u16string_view wide);

} // namespace Platform
