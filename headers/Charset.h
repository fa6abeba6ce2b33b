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

/// Decodes the bytes of an encoded word in its charset (any case): "utf-8" and "utf-7" directly,
/// "koi8-r" and "iso-8859-1" through their tables into windows-1251 and then as windows-1251,
/// windows-1251 as itself, any other name the system's converter knows through that converter,
/// and unknown names as the ANSI code page.
std::u16string charsetBytesToWide(std::string_view charset, std::string_view bytes);

/// Translates `bytes` in place from one 8-bit charset to another through a built-in table. The
/// tables are "windows-1251->koi8-r", "koi8-r->windows-1251" and "iso-8859-1->windows-1251";
/// characters the target lacks become look-alikes or '?'. Returns false, leaving the bytes
/// untouched, for any other pair.
bool convertCharset(std::string_view from, std::string_view to, std::string& bytes);

/// Windows-1251 to UTF-16. The one byte the code page leaves undefined, 0x98, becomes U+0098,
/// so that ISO-8859-1's C1 control of the same value survives the table into windows-1251.
std::u16string windows1251ToWide(std::string_view bytes);

/// UTF-7 (RFC 2152) to UTF-16. Decoding is lenient about which ASCII characters appear
/// unencoded; a malformed base64 run, an unpaired surrogate or a byte above 0x7F becomes U+FFFD.
std::u16string utf7ToWide(std::string_view bytes);
