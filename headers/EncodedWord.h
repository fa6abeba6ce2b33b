#pragma once

#include "headers/Charset.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

/// Decodes a header value that may mix raw 8-bit text with MIME encoded words
/// ("=?" charset "?" encoding "?" text "?="). Raw text is read in `rawCodePage`. Folds are
/// undone: CR and LF are dropped and a TAB becomes a space, so a fold becomes one space. White
/// space between two encoded words is dropped, as RFC 2047 says, since mailers split text
/// into words anywhere, even inside a multi-byte character: the bytes of adjacent words in one
/// charset are joined before they are decoded. White space between an encoded word and raw text
/// stays.
std::u16string decodeHeaderText(std::string_view value, CodePage rawCodePage);

/// Decodes the encoded word that starts at `position` (at its "=?"). On success `position` is
/// moved to the word's last character; a word whose "?=" is missing runs to the end of the
/// value. Nothing is returned, and `position` stays, when no charset, '?', encoding and '?'
/// follow the "=?": such text is not an encoded word.
std::optional<std::u16string> decodeEncodedWord(std::string_view value, std::size_t& position);

/// The "Q" encoding: '_' is a space, '=' and two hex digits one byte. A '=' not followed by two
/// hex digits stays as it stands, except that a '=' with fewer than two characters after it
/// ends the text.
std::string decodeQ(std::string_view text);

/// The "B" encoding (base64 of RFC 2045). Characters outside the alphabet are skipped, as that
/// RFC says (a fold inside a word would otherwise shift every later bit); '=' padding ends the
/// data, and bits that do not fill a whole byte are dropped.
std::string decodeB(std::string_view text);
