#pragma once
// A JSON object built member by member into compact one-line text, for JSON Lines output.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cli {

// text as a quoted JSON string: ill-formed UTF-8 becomes U+FFFD, quotes, backslashes and control
// characters are escaped, everything else stays as UTF-8.
std::string JsonString(std::string_view text);

class TJsonObject {
 public:
  // Separate names rather than overloads: a string literal would otherwise pick the bool one.
  TJsonObject& AddString(std::string_view key, std::string_view text);
  TJsonObject& AddNumber(std::string_view key, std::optional<std::int64_t> value);  // null when absent
  TJsonObject& AddStringOrNull(std::string_view key, std::optional<std::string_view> text);
  TJsonObject& AddBool(std::string_view key, bool value);
  TJsonObject& AddObject(std::string_view key, const TJsonObject& value);

  // The object in one line, without a line end.
  std::string Text() const { return "{" + members_ + "}"; }

 private:
  void AddMember(std::string_view key, std::string_view valueText);
  std::string members_;
};

}  // namespace cli
