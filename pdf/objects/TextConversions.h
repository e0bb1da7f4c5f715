#pragma once
// Conversions between PDF byte strings and the system's Unicode (UTF-16) text.

#include <array>
#include <string>
#include <string_view>

namespace pdf {

// One UTF-16 code unit per byte value of PDFDocEncoding.
extern const std::array<char16_t, 256> PDFDocEncodingTable;

// A PDF text string (UTF-16BE with byte-order mark, the little-endian variant, or
// PDFDocEncoding) as Unicode text.
std::u16string PDFTextToUnicode(std::string_view bytes);

// The payload of a length-prefixed wrapped text (first unit E7xx, second F8xx), or the text itself.
std::u16string UnwrapWideText(std::u16string_view text);

// UTF-8 bytes to UTF-16; ill-formed sequences and invalid code points become U+FFFD.
std::u16string UTF8ToUnicode(std::string_view bytes);

// UTF-16 to UTF-8 (after UnwrapWideText); invalid code points become U+FFFD, no byte-order mark.
std::string UnicodeToUTF8(std::u16string_view text);

// The character of one Windows-1252 (ANSI code page) byte. The five bytes the code page leaves
// undefined (81, 8D, 8F, 90, 9D) stand for the C1 controls of the same value, as Windows' own
// conversion maps them.
char16_t Windows1252Character(unsigned char byte);
std::u16string Windows1252ToUnicode(std::string_view bytes);
// Whether RC4 and 128-bit AES passwords can hold a character: whether a copy whose password has
// it opens wherever the character is typed. Only printable ASCII does: for any other character
// readers turn the typed text into different bytes (its UTF-8, or a single-byte encoding), so no
// copy opens in all of them (docs/passwords.md has the measurement).
bool IsStandardPasswordCharacter(char16_t unit);

}  // namespace pdf
