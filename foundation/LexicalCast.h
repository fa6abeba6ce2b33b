#pragma once

#include <cstdint>
#include <string_view>

namespace Norq {

/// Converts a whole text to a number or bool the way stream extraction reads it, without
/// skipping white space. On failure (empty text, a blank, trailing characters, out of range)
/// it reports "wrong lexical cast to <type>" with the text as detail and returns 0 or false.
template <class T> T lexicalCastOr(std::string_view text);

extern template std::uint32_t lexicalCastOr<std::uint32_t>(std::string_view);
extern template std::int32_t lexicalCastOr<std::int32_t>(std::string_view);
extern template std::uint16_t lexicalCastOr<std::uint16_t>(std::string_view);
extern template bool lexicalCastOr<bool>(std::string_view);

} // namespace Norq
