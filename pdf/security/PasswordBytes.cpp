// Password text to the bytes the key algorithms hash: PDFDocEncoding for RC4 and AESV2 (with the
// other encodings files were written in, for opening), SASLprep and UTF-8 for AESV3.

#include <stringprep.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pdf/objects/PDFError.h"
#include "pdf/objects/TextConversions.h"
#include "pdf/security/SecurityHandler.h"

namespace pdf {
namespace {

constexpr char kPasswordPadBytes[] =
    "\x28\xBF\x4E\x5E\x4E\x75\x8A\x41\x64\x00\x4E\x56\xFF\xFA\x01\x08"
    "\x2E\x2E\x00\xB6\xD0\x68\x3E\x80\x2F\x0C\xA9\xFE\x64\x53\x69\x7A";

// Revisions 2 to 4 hash at most 32 password bytes, revisions 5 and 6 at most 127.
constexpr std::size_t kStandardPasswordLimit = 32;
constexpr std::size_t kUTF8PasswordLimit = 127;

constexpr char kUnmappable = '?';
constexpr char16_t kReplacementCharacter = 0xFFFD;

char Windows1252Byte(char16_t unit) {
  // Outside 80-9F the code page is Latin-1, byte value = code point.
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
  for (unsigned byte = 0x80; byte <= 0x9F; ++byte) {
    if (Windows1252Character(static_cast<unsigned char>(byte)) == unit) return static_cast<char>(byte);
  }
  return kUnmappable;
}

char PDFDocByte(char16_t unit) {
  // The bytes PDFDocEncoding leaves undefined read as U+FFFD; a typed U+FFFD is no such byte.
  if (unit == kReplacementCharacter) return kUnmappable;
  const auto found = std::find(PDFDocEncodingTable.begin(), PDFDocEncodingTable.end(), unit);
  return found == PDFDocEncodingTable.end() ? kUnmappable
                                            : static_cast<char>(found - PDFDocEncodingTable.begin());
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

std::string FirstBytes(std::string bytes, std::size_t limit) {
  if (bytes.size() > limit) bytes.resize(limit);
  return bytes;
}

// The text one byte per character through a single-byte encoding, the first 32 bytes.
std::string SingleBytePasswordBytes(std::u16string_view text, char (*byteOf)(char16_t)) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size() && bytes.size() < kStandardPasswordLimit; ++i) {
    // A character beyond the BMP becomes one "?", not one per surrogate.
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) ++i;
    bytes += byteOf(text[i]);
  }
  return bytes;
}

// The SASLprep form of utf8, or nothing when the profile refuses the text (prohibited characters,
// bidirectional text that breaks its rules). Unassigned code points are let through (the flags are
// 0, the "query" reading of RFC 3454): libidn knows Unicode 3.2 only, and refusing would leave a
// password with one newer character entirely unprepared rather than unprepared in that one place.
std::optional<std::string> SASLprep(const std::string& utf8) {
  // libidn reads a C string; U+0000 is prohibited by the profile anyway.
  if (utf8.find('\0') != std::string::npos) return std::nullopt;
  char* prepared = nullptr;
  const int rc = stringprep_profile(utf8.c_str(), &prepared, "SASLprep", static_cast<Stringprep_profile_flags>(0));
  const std::unique_ptr<char, decltype(&std::free)> owner(prepared, &std::free);
  switch (rc) {
    case STRINGPREP_OK:
      return std::string(prepared);
    case STRINGPREP_MALLOC_ERROR:
      throw std::bad_alloc();
    case STRINGPREP_CONTAINS_UNASSIGNED:
    case STRINGPREP_CONTAINS_PROHIBITED:
    case STRINGPREP_BIDI_BOTH_L_AND_RAL:
    case STRINGPREP_BIDI_LEADTRAIL_NOT_RAL:
    case STRINGPREP_BIDI_CONTAINS_PROHIBITED:
    case STRINGPREP_NFKC_FAILED:
      return std::nullopt;
    default:
      // An unknown profile or flag means a broken libidn, not a strange password.
      throw EPDFError(std::string("SASLprep failed: ") + stringprep_strerror(static_cast<Stringprep_rc>(rc)));
  }
}

}  // namespace

const std::string_view PasswordPad{kPasswordPadBytes, 32};

std::string StandardPasswordBytes(std::u16string_view text) { return SingleBytePasswordBytes(text, PDFDocByte); }

std::string Windows1252PasswordBytes(std::u16string_view text) {
  return SingleBytePasswordBytes(text, Windows1252Byte);
}

std::vector<std::string> StandardPasswordCandidates(std::u16string_view text) {
  std::vector<std::string> candidates;
  for (std::string bytes : {Windows1252PasswordBytes(text), StandardPasswordBytes(text),
                            FirstBytes(UnicodeToUTF8(text), kStandardPasswordLimit)}) {
    if (std::find(candidates.begin(), candidates.end(), bytes) == candidates.end()) {
      candidates.push_back(std::move(bytes));
    }
  }
  return candidates;
}

std::string PreparedPasswordBytes(std::u16string_view text) {
  const std::string utf8 = UnicodeToUTF8(text);
  return FirstBytes(SASLprep(utf8).value_or(utf8), kUTF8PasswordLimit);
}

std::string UnpreparedPasswordBytes(std::u16string_view text) {
  return FirstBytes(UnicodeToUTF8(text), kUTF8PasswordLimit);
}

}  // namespace pdf
