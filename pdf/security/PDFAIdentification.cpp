// The PDF/A identification of an XMP packet: the pdfaid schema's part and conformance.

#include <cctype>
#include <optional>
#include <string>
#include <string_view>

#include "pdf/security/DocumentNotices.h"

namespace pdf {
namespace {

constexpr std::string_view kBlanks = " \t\r\n";
constexpr std::size_t kMaxPartDigits = 3;

bool IsNameByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return std::isalnum(byte) != 0 || c == '_' || c == '-' || c == '.' || c == ':' || byte >= 0x80;
}

std::size_t SkipBlanks(std::string_view text, std::size_t at) {
  const std::size_t next = text.find_first_not_of(kBlanks, at);
  return next == std::string_view::npos ? text.size() : next;
}

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// After an attribute's name: ="value" or ='value'.
std::optional<std::string_view> AttributeValue(std::string_view xmp, std::size_t at) {
  at = SkipBlanks(xmp, at);
  if (at >= xmp.size() || xmp[at] != '=') return std::nullopt;
  at = SkipBlanks(xmp, at + 1);
  if (at >= xmp.size() || (xmp[at] != '"' && xmp[at] != '\'')) return std::nullopt;
  const std::size_t close = xmp.find(xmp[at], at + 1);
  if (close == std::string_view::npos) return std::nullopt;
  return Trimmed(xmp.substr(at + 1, close - at - 1));
}

// After an element's name: the text up to the next tag, unless the element is empty ("<x/>").
std::optional<std::string_view> ElementText(std::string_view xmp, std::size_t at) {
  const std::size_t tagEnd = xmp.find('>', at);
  if (tagEnd == std::string_view::npos || xmp[tagEnd - 1] == '/') return std::nullopt;
  const std::size_t next = xmp.find('<', tagEnd + 1);
  if (next == std::string_view::npos) return std::nullopt;
  return Trimmed(xmp.substr(tagEnd + 1, next - tagEnd - 1));
}

// The first value of pdfaid:name, written <pdfaid:name>value</pdfaid:name> or pdfaid:name="value".
std::string_view PropertyValue(std::string_view xmp, std::string_view name) {
  const std::string qualified = "pdfaid:" + std::string(name);
  for (std::size_t at = xmp.find(qualified); at != std::string_view::npos; at = xmp.find(qualified, at + 1)) {
    const std::size_t end = at + qualified.size();
    const char before = at > 0 ? xmp[at - 1] : ' ';
    if ((end < xmp.size() && IsNameByte(xmp[end])) || (before != '<' && IsNameByte(before))) continue;
    const std::optional<std::string_view> value = before == '<' ? ElementText(xmp, end) : AttributeValue(xmp, end);
    if (value) return *value;
  }
  return {};
}

bool IsPartNumber(std::string_view part) {
  if (part.empty() || part.size() > kMaxPartDigits || part.front() == '0') return false;
  for (const char c : part) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool IsConformanceLevel(std::string_view level) {
  return level.size() == 1 && std::isalpha(static_cast<unsigned char>(level.front())) != 0;
}

}  // namespace

std::string PDFAIdentification(std::string_view xmp) {
  const std::string_view part = PropertyValue(xmp, "part");
  if (!IsPartNumber(part)) return {};
  std::string claim = "PDF/A-" + std::string(part);
  const std::string_view level = PropertyValue(xmp, "conformance");
  if (IsConformanceLevel(level)) claim += static_cast<char>(std::toupper(static_cast<unsigned char>(level.front())));
  return claim;
}

}  // namespace pdf
