#pragma once

#include <string>
#include <string_view>

/// The code pages raw header text can be read in. `Ansi` is the system's 8-bit code page, which
/// on this system is UTF-8, the same as narrow text everywhere else in the program.
enum class CodePage : unsigned {
    Ansi = 0,
    Utf7 = 65000,
    Utf8 = 65001,
};

/// Decodes bytes in a code page. Like every conversion to wide text in header decoding, the
/// result ends at the first NUL character; invalid sequences become U+FFFD.
std::u16string codePageToWide(CodePage codePage, std::string_view bytes);

/// Decodes the bytes of an encoded word in its charset (any case): "utf-8", "utf-7",
/// "windows-1251", "koi8-r" and "iso-8859-1" by the program itself, any other name the system's
/// converter knows through that converter, and unknown names as the ANSI code page.
std::u16string charsetBytesToWide(std::string_view charset, std::string_view bytes);

/// UTF-7 (RFC 2152) to UTF-16. Decoding is lenient about which ASCII characters appear
/// unencoded; a malformed base64 run, an unpaired surrogate or a byte above 0x7F becomes U+FFFD.
std::u16string utf7ToWide(std::string_view bytes);
