#pragma once
// The known answers of tests/data/security/known_answers.txt (made by make_known_answers.py from qpdf
// and an independent Python route) and the helpers the security handler tests share.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>

#include "pdf/security/RandomSource.h"
#include "tests/support/CountingRandom.h"
#include "pdf/security/SecurityHandler.h"

#define SECURITY_FIXTURES (std::filesystem::path(OMBRELT_TEST_DATA_DIR) / "security")

namespace pdf::security_test {

inline std::string FromHex(std::string_view hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  }
  return bytes;
}

inline std::string ToHex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char c : bytes) {
    hex += kDigits[(c >> 4) & 0xF];
    hex += kDigits[c & 0xF];
  }
  return hex;
}

// One case of the file: its fields as "case.field value" lines.
class TKnownCase {
 public:
  explicit TKnownCase(std::string name) : name_(std::move(name)) {
    static const std::map<std::string, std::string> values = Load();
    const std::string prefix = name_ + ".";
    for (auto it = values.lower_bound(prefix); it != values.end() && it->first.starts_with(prefix); ++it) {
      fields_[it->first.substr(prefix.size())] = it->second;
    }
    if (fields_.empty()) ADD_FAILURE() << "no known answers for " << name_;
  }
  std::string Bytes(const std::string& field) const { return FromHex(Text(field)); }
  std::int32_t Number(const std::string& field) const { return static_cast<std::int32_t>(std::stoll(Text(field))); }
  bool Has(const std::string& field) const { return fields_.contains(field); }
  const std::string& Name() const { return name_; }

 private:
  static std::map<std::string, std::string> Load() {
    std::ifstream file(SECURITY_FIXTURES / "known_answers.txt");
    if (!file) ADD_FAILURE() << "missing known_answers.txt";
    std::map<std::string, std::string> values;
    for (std::string line; std::getline(file, line);) {
      if (line.empty() || line[0] == '#') continue;
      const std::size_t space = line.find(' ');
      values[line.substr(0, space)] = space == std::string::npos ? "" : line.substr(space + 1);
    }
    return values;
  }
  std::string Text(const std::string& field) const {
    const auto it = fields_.find(field);
    if (it == fields_.end()) ADD_FAILURE() << name_ << " has no field " << field;
    return it == fields_.end() ? std::string() : it->second;
  }

  std::string name_;
  std::map<std::string, std::string> fields_;
};

using pdf::testing::TCountingRandom;

// The record a reader would fill from the /Encrypt dictionary written at a strength: /V, /R and the
// key length as the dictionary gives them (the AESV2 crypt filter says /Length 16).
inline TSmartPDFEncryption WrittenRecord(const TSmartPDFCrypt& writer, std::uint8_t strength) {
  struct TShape {
    std::int32_t revision;
    std::uint32_t version;
    std::int32_t keyLength;
    bool aes;
  };
  static const std::map<std::uint8_t, TShape> shapes = {
      {0, {2, 1, 40, false}}, {1, {3, 2, 128, false}}, {2, {4, 4, 16, true}},
      {3, {5, 5, 32, true}},  {5, {6, 5, 32, true}}};
  const TShape& shape = shapes.at(strength);
  TSmartPDFEncryption record;
  record.Revision = shape.revision;
  record.VersionCode = shape.version;
  record.KeyLength = shape.keyLength;
  record.UsesAES = shape.aes;
  record.OwnerValue = writer.OwnerEntry();
  record.UserValue = writer.UserEntry();
  record.PermissionBits = writer.PermissionValue();
  record.OwnerKeyValue = writer.OwnerKeyEntry();
  record.UserKeyValue = writer.UserKeyEntry();
  record.PermsValue = writer.PermsEntry();
  record.MetadataEncrypted = writer.EncryptRecord().MetadataEncrypted;
  return record;
}

// The record of a document encrypted by qpdf (or by the Python route) in known_answers.txt.
inline TSmartPDFEncryption KnownRecord(const TKnownCase& known) {
  TSmartPDFEncryption record;
  record.Revision = known.Number("R");
  record.VersionCode = known.Has("V") ? static_cast<std::uint32_t>(known.Number("V")) : 2;
  record.KeyLength = known.Number("Length");
  record.UsesAES = record.Revision >= 4 && record.VersionCode >= 4;
  record.OwnerValue = known.Bytes("O");
  record.UserValue = known.Bytes("U");
  record.PermissionBits = static_cast<std::uint32_t>(known.Number("P"));
  record.MetadataEncrypted = !known.Has("EncryptMetadata") || known.Number("EncryptMetadata") != 0;
  if (known.Has("OE")) {
    record.OwnerKeyValue = known.Bytes("OE");
    record.UserKeyValue = known.Bytes("UE");
    record.PermsValue = known.Bytes("Perms");
  }
  return record;
}

}  // namespace pdf::security_test
