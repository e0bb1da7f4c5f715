// Reading a file's /Encrypt dictionary into the handler's record.

#include <optional>

#include "pdf/io/ByteText.h"
#include "pdf/security/SecurityInfo.h"

namespace pdf {

namespace {

std::int32_t IntegerEntry(const TPDFDictionary& dictionary, std::string_view key) {
  const auto* number = As<TPDFNumeric>(dictionary.GetValue(key, false));
  return number != nullptr ? number->AsInteger() : 0;
}

std::string StringEntry(const TPDFDictionary& dictionary, std::string_view key) {
  const auto* text = As<TPDFString>(dictionary.GetValue(key, false));
  return text != nullptr ? text->Value() : std::string();
}

std::string NameEntry(const TPDFDictionary& dictionary, std::string_view key) {
  const auto* name = As<TPDFName>(dictionary.GetValue(key, false));
  return name != nullptr ? name->Value() : std::string();
}

// /P as 32 bits: 4294967292 and -4 read alike.
std::uint32_t PermissionEntry(const TPDFDictionary& dictionary) {
  return static_cast<std::uint32_t>(NumberAsInt64(dictionary.GetValue("P", false)).value_or(0));
}

}  // namespace

void TSmartPDFInfo::ReadEncryption() {
  record_ = TSmartPDFEncryption{};
  encryptDictionary_ = reader_.TrailerDictionary("Encrypt");
  if (encryptDictionary_ == nullptr) {
    encryptionState_ = 0;
    return;
  }
  securityFilter_ = NameEntry(*encryptDictionary_, "Filter");
  if (securityFilter_ == "Standard") ReadStandardEncryption(*encryptDictionary_);
  // A dictionary the handler does not understand still marks the file encrypted.
  encryptionState_ = IntegerEntry(*encryptDictionary_, "V") != 0 ? 1 : 2;
}

// The crypt filters /StrF, /StmF and /EFF name: each is /Identity (in clear) or one of /CF. Every
// filter that encrypts must use the same method, since one file key serves them all; the first
// such filter describes the method and key length. Nothing when the names do not resolve.
std::optional<TSmartPDFInfo::TCryptFilters> TSmartPDFInfo::ReadCryptFilters(const TPDFDictionary& encrypt) const {
  const auto* filters = As<TPDFDictionary>(encrypt.GetValue("CF", false));
  const std::string strings = NameEntry(encrypt, "StrF");
  const std::string streams = NameEntry(encrypt, "StmF");
  const std::string files = NameEntry(encrypt, "EFF");
  TCryptFilters result;
  // Absent /StrF and /StmF mean /Identity; an absent /EFF follows /StmF.
  result.strings = !strings.empty() && strings != "Identity";
  result.streams = !streams.empty() && streams != "Identity";
  result.embeddedFiles = files.empty() ? result.streams : files != "Identity";
  for (const std::string& name : {strings, streams, files.empty() ? streams : files}) {
    if (name.empty() || name == "Identity") continue;
    const auto* filter = filters != nullptr ? As<TPDFDictionary>(filters->GetValue(name, false)) : nullptr;
    if (filter == nullptr) return std::nullopt;
    if (result.method == nullptr) {
      result.method = filter;
    } else if (NameEntry(*filter, "CFM") != NameEntry(*result.method, "CFM")) {
      return std::nullopt;
    }
  }
  return result;
}

void TSmartPDFInfo::TakeEntries(const TPDFDictionary& encrypt, bool withAES256Values) {
  record_.Revision = IntegerEntry(encrypt, "R");
  record_.VersionCode = static_cast<std::uint32_t>(IntegerEntry(encrypt, "V"));
  record_.OwnerValue = StringEntry(encrypt, "O");
  record_.UserValue = StringEntry(encrypt, "U");
  record_.PermissionBits = PermissionEntry(encrypt);
  if (!withAES256Values) return;
  record_.OwnerKeyValue = StringEntry(encrypt, "OE");
  record_.UserKeyValue = StringEntry(encrypt, "UE");
  record_.PermsValue = StringEntry(encrypt, "Perms");
}

void TSmartPDFInfo::ReadStandardEncryption(const TPDFDictionary& encrypt) {
  const std::int32_t v = IntegerEntry(encrypt, "V");
  const std::int32_t r = IntegerEntry(encrypt, "R");
  if ((v == 1 || v == 2) && (r == 2 || r == 3)) {
    TakeEntries(encrypt, false);
    // Without /Length a key is 40 bits, the length the standard gives as the default.
    const bool lengthGiven = v == 2 || (v == 1 && r == 3);
    record_.KeyLength = lengthGiven && IntegerEntry(encrypt, "Length") != 0 ? IntegerEntry(encrypt, "Length") : 40;
    return;
  }
  if (!((v == 4 && r == 4) || (v == 5 && (r == 5 || r == 6)))) return;
  if (const auto* flag = As<TPDFBoolean>(encrypt.GetValue("EncryptMetadata", false))) {
    record_.MetadataEncrypted = flag->Value();
  }
  const std::optional<TCryptFilters> filters = ReadCryptFilters(encrypt);
  if (!filters || filters->method == nullptr) return;
  record_.StringsEncrypted = filters->strings;
  record_.StreamsEncrypted = filters->streams;
  record_.EmbeddedFilesEncrypted = filters->embeddedFiles;
  ReadCryptMethod(encrypt, *filters->method, v);
}

void TSmartPDFInfo::ReadCryptMethod(const TPDFDictionary& encrypt, const TPDFDictionary& filter, std::int32_t v) {
  const std::string method = NameEntry(filter, "CFM");
  const auto* filterLength = As<TPDFNumeric>(filter.GetValue("Length", false));
  if (v == 4 && (method == "AESV2" || method == "V2")) {
    TakeEntries(encrypt, false);
    record_.UsesAES = method == "AESV2";
    // Without a /Length of the filter, the dictionary's own says how long an RC4 key is, and 128
    // bits when it says nothing either (as other readers take it). A crypt filter's /Length is
    // given in bytes, though some writers give bits: a value below 40 counts bytes.
    const auto* dictionaryLength = As<TPDFNumeric>(encrypt.GetValue("Length", false));
    std::int32_t length = filterLength != nullptr       ? filterLength->AsInteger()
                          : record_.UsesAES || dictionaryLength == nullptr ? 128
                                                                            : dictionaryLength->AsInteger();
    if (length > 0 && length < 40) length *= 8;
    record_.KeyLength = length;
  } else if (v == 5 && method == "AESV3") {
    TakeEntries(encrypt, true);
    record_.UsesAES = true;
    record_.KeyLength = filterLength != nullptr ? filterLength->AsInteger() : 32;
    if (record_.KeyLength == 256) record_.KeyLength = 32;
  }
}

}  // namespace pdf
