#include "pdf/facade/TemporaryName.h"

#include <cstdint>

namespace pdf {

namespace {

constexpr std::string_view kSuffix = ".tmp";
constexpr std::size_t kCreatorDigits = 8;  // pid_t is 32 bits
constexpr std::size_t kDigits = kCreatorDigits + kTemporaryRandomDigits;

// The first bytes of name, at most limit, never ending inside a UTF-8 sequence.
std::string_view KeptPart(std::string_view name, std::size_t limit) {
  if (name.size() <= limit) return name;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  return name.substr(0, end);
}

bool IsLowerHex(std::string_view text) {
  for (const char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

}  // namespace

std::string TemporaryName(std::string_view targetName, pid_t creator, std::string_view random) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string creatorHex(kCreatorDigits, '0');
  auto value = static_cast<std::uint32_t>(creator);
  for (std::size_t i = kCreatorDigits; i-- > 0; value >>= 4) creatorHex[i] = kHex[value & 15];
  return "." + std::string(KeptPart(targetName, kTemporaryNameKept)) + "." + creatorHex + std::string(random) +
         std::string(kSuffix);
}

std::optional<pid_t> TemporaryNameCreator(std::string_view name) {
  // "." NAME "." DIGITS ".tmp", with at least one byte of NAME.
  if (name.size() < 1 + 1 + 1 + kDigits + kSuffix.size() || name.front() != '.' || !name.ends_with(kSuffix)) {
    return std::nullopt;
  }
  const std::string_view digits = name.substr(name.size() - kSuffix.size() - kDigits, kDigits);
  if (name[name.size() - kSuffix.size() - kDigits - 1] != '.' || !IsLowerHex(digits)) return std::nullopt;
  std::uint32_t creator = 0;
  for (const char c : digits.substr(0, kCreatorDigits)) {
    creator = creator << 4 | static_cast<std::uint32_t>(c <= '9' ? c - '0' : c - 'a' + 10);
  }
  if (creator == 0 || creator > 0x7FFFFFFF) return std::nullopt;
  return static_cast<pid_t>(creator);
}

}  // namespace pdf
