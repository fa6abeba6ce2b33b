#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Platform {

/// Decodes bytes in the named character set (any name the system's converter knows, such as
/// "iso-8859-2", "shift_jis" or "koi8-u") into UTF-16. A byte sequence that is invalid in that
/// character set becomes U+FFFD and decoding goes on after it. Nothing is returned when the
/// character set is unknown.
std::optional<std::u16string> charsetToWide(const std::string& charset, std::string_view bytes);

} // namespace Platform
