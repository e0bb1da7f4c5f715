#include "cli/JsonWriter.h"

#include <cstdio>

#include "cli/Utf8Text.h"

namespace cli {

std::string JsonString(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : WellFormedUTF8(text)) {
    switch (c) {
      case '"': quoted += "\\\""; break;
      case '\\': quoted += "\\\\"; break;
      case '\b': quoted += "\\b"; break;
      case '\f': quoted += "\\f"; break;
      case '\n': quoted += "\\n"; break;
      case '\r': quoted += "\\r"; break;
      case '\t': quoted += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
          quoted += escape;
        } else {
          quoted += c;
        }
    }
  }
  return quoted + "\"";
}

TJsonObject& TJsonObject::AddString(std::string_view key, std::string_view text) {
  AddMember(key, JsonString(text));
  return *this;
}

TJsonObject& TJsonObject::AddNumber(std::string_view key, std::optional<std::int64_t> value) {
  AddMember(key, value ? std::to_string(*value) : "null");
  return *this;
}

TJsonObject& TJsonObject::AddStringOrNull(std::string_view key, std::optional<std::string_view> text) {
  AddMember(key, text ? JsonString(*text) : "null");
  return *this;
}

TJsonObject& TJsonObject::AddBool(std::string_view key, bool value) {
  AddMember(key, value ? "true" : "false");
  return *this;
}

TJsonObject& TJsonObject::AddObject(std::string_view key, const TJsonObject& value) {
  AddMember(key, value.Text());
  return *this;
}

void TJsonObject::AddMember(std::string_view key, std::string_view valueText) {
  if (!members_.empty()) members_ += ',';
  members_ += JsonString(key);
  members_ += ':';
  members_ += valueText;
}

}  // namespace cli
