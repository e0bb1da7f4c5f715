// Per-object keys (algorithm 1 of ISO 32000-1; the file key itself for AESV3) and the walk that
// encrypts or decrypts every string and stream of one object in place.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "pdf/objects/PDFArray.h"
#include "pdf/objects/PDFDictionary.h"
#include "pdf/objects/PDFScalars.h"
#include "pdf/objects/PDFStream.h"
#include "pdf/objects/PDFStructure.h"
#include "pdf/security/CryptoPrimitives.h"
#include "pdf/security/SecurityHandler.h"

namespace pdf {
namespace {

constexpr std::size_t kObjectNumberBytes = 3;
constexpr std::size_t kGenerationBytes = 2;
constexpr std::size_t kObjectKeyExtension = 5;
constexpr std::size_t kMaxObjectKeySize = 16;
constexpr std::string_view kAESSalt = "sAlT";

void AppendLowBytes(std::string& out, std::int32_t value, std::size_t count) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (std::size_t i = 0; i < count; ++i) out += static_cast<char>((bits >> (8 * i)) & 0xFF);
}

bool IsAESKeySize(std::size_t size) { return size == 16 || size == 24 || size == 32; }

// A signature's /Contents is never encrypted, and readers do not decrypt it. Signature dictionaries
// are told by their /Type; one without /Type is decrypted by readers such as qpdf, so it is
// encrypted like any other.
bool IsSignatureDictionary(const TPDFDictionary& dictionary) {
  const std::string type = dictionary.GetTypeName();
  return std::ranges::find(kSignatureTypes, type) != kSignatureTypes.end();
}

std::optional<std::string> NamedCryptFilter(const TPDFDictionary& dictionary) {
  const TPDFObject* filter = dictionary.GetValue("Filter", false);
  const auto* filters = As<TPDFArray>(filter);
  const std::int32_t count = filters != nullptr ? filters->ItemCount() : 1;
  for (std::int32_t i = 0; i < count; ++i) {
    const auto* name = As<TPDFName>(filters != nullptr ? filters->GetItem(i) : filter);
    if (name == nullptr || name->Value() != "Crypt") continue;
    const TPDFObject* parameters = dictionary.GetValue("DecodeParms", false);
    if (const auto* list = As<TPDFArray>(parameters)) parameters = list->GetItem(i);
    const auto* parameterDictionary = As<TPDFDictionary>(parameters);
    const auto* cryptName =
        parameterDictionary != nullptr ? As<TPDFName>(parameterDictionary->GetValue("Name", false)) : nullptr;
    return cryptName != nullptr ? cryptName->Value() : std::string("Identity");
  }
  return std::nullopt;
}

// Takes the /Crypt filter out of /Filter and its slot out of /DecodeParms: the data it names is in
// clear now, and a copy encrypts it with the copy's own default filter.
void RemoveCryptFilter(TPDFDictionary& dictionary) {
  auto* filters = As<TPDFArray>(dictionary.GetValue("Filter", false));
  if (filters == nullptr) {
    // A lone /Crypt is the only filter.
    dictionary.RemoveKey("Filter");
    dictionary.RemoveKey("DecodeParms");
    return;
  }
  TPDFStructure& arena = dictionary.Structure();
  auto* parameters = As<TPDFArray>(dictionary.GetValue("DecodeParms", false));
  TPDFArray* keptFilters = arena.NewArray();
  TPDFArray* keptParameters = arena.NewArray();
  for (std::int32_t i = 0; i < filters->ItemCount(); ++i) {
    const auto* name = As<TPDFName>(filters->GetItem(i));
    if (name != nullptr && name->Value() == "Crypt") continue;
    keptFilters->Add(filters->GetItem(i));
    TPDFObject* parameter = parameters != nullptr ? parameters->GetItem(i) : nullptr;
    keptParameters->Add(parameter != nullptr ? parameter : arena.NewNull());
  }
  if (keptFilters->ItemCount() == 0) {
    dictionary.RemoveKey("Filter");
    dictionary.RemoveKey("DecodeParms");
    return;
  }
  dictionary.SetValue("Filter", keptFilters);
  if (parameters != nullptr) {
    dictionary.SetValue("DecodeParms", keptParameters);
  } else {
    dictionary.RemoveKey("DecodeParms");
  }
}

}  // namespace

std::string TSmartPDFCrypt::ObjectKey(std::int32_t number, std::int32_t generation) const {
  if (cipherLevel_ == kCipherAES_256_R5 || cipherLevel_ == kCipherAES_256_R6) return fileKey_;
  std::string input = objectKeyBase_;
  AppendLowBytes(input, number, kObjectNumberBytes);
  AppendLowBytes(input, generation, kGenerationBytes);
  if (record_.UsesAES) input += kAESSalt;
  const std::size_t size = std::min(objectKeyBase_.size() + kObjectKeyExtension, kMaxObjectKeySize);
  return MD5Digest(input).substr(0, size);
}

void TSmartPDFCrypt::EncryptObject(std::string_view key, TPDFObject* object) const {
  CryptObject(key, object, TDirection::kEncrypt);
}

void TSmartPDFCrypt::DecryptObject(std::string_view key, TPDFObject* object) const {
  CryptObject(key, object, TDirection::kDecrypt);
}

void TSmartPDFCrypt::EncryptStreamDictionary(std::string_view key, TPDFStream& stream) const {
  CryptObject(key, stream.Dictionary(), TDirection::kEncrypt);
  const std::size_t size = stream.Data().size();
  stream.SetLengthEntry(record_.UsesAES ? TAESPaddedEncryptor::EncryptedSize(size) : size);
}

void TSmartPDFCrypt::EncryptStreamData(std::string_view key, std::string_view data, const TByteSink& sink) const {
  if (record_.UsesAES) {
    Encryptor(key).EncryptInPieces(data, ivRandom_, sink);
  } else {
    sink(RC4Crypt(key, data));
  }
}

std::string TSmartPDFCrypt::EncryptString(std::string_view key, std::string_view bytes) const {
  return CryptBytes(key, bytes, TDirection::kEncrypt);
}

std::string TSmartPDFCrypt::DecryptString(std::string_view key, std::string_view bytes) const {
  if (!record_.StringsEncrypted) return std::string(bytes);
  return CryptBytes(key, bytes, TDirection::kDecrypt);
}

std::string TSmartPDFCrypt::CryptBytes(std::string_view key, std::string_view bytes, TDirection direction) const {
  if (!record_.UsesAES) return RC4Crypt(key, bytes);
  if (direction == TDirection::kEncrypt) return Encryptor(key).Encrypt(bytes, ivRandom_);
  // After a wrong password the key derives from an empty base and has no AES size; what it would
  // decrypt is unreadable either way, so it comes out empty like any value that fails to decrypt.
  if (!IsAESKeySize(key.size())) return {};
  return AESDecryptPadded(key, bytes);
}

TAESPaddedEncryptor& TSmartPDFCrypt::Encryptor(std::string_view key) const {
  if (encryptor_ == nullptr || encryptor_->Key() != key) encryptor_ = std::make_unique<TAESPaddedEncryptor>(key);
  return *encryptor_;
}

// Which crypt filter a stream names in its own /Filter array: /Crypt with /DecodeParms << /Name >>,
// /Identity when no name is given. Nothing when the stream has no /Crypt filter.
// A stream's own /Crypt filter says what protects its data; without one, attachments follow /EFF
// and every other stream /StmF.
bool TSmartPDFCrypt::IsStreamEncrypted(const TPDFStream& stream) const {
  const TPDFDictionary* dictionary = stream.Dictionary();
  if (dictionary == nullptr) return record_.StreamsEncrypted;
  if (const std::optional<std::string> named = NamedCryptFilter(*dictionary)) return *named != "Identity";
  return dictionary->GetTypeName() == "EmbeddedFile" ? record_.EmbeddedFilesEncrypted : record_.StreamsEncrypted;
}

void TSmartPDFCrypt::DecryptStream(std::string_view key, TPDFStream& stream) const {
  // The cross-reference stream, strings of its dictionary included, is never encrypted.
  if (stream.Dictionary() != nullptr && stream.Dictionary()->GetTypeName() == "XRef") return;
  if (IsStreamEncrypted(stream)) stream.SetRawData(CryptBytes(key, stream.Data(), TDirection::kDecrypt));
  if (stream.Dictionary() != nullptr && NamedCryptFilter(*stream.Dictionary())) RemoveCryptFilter(*stream.Dictionary());
  CryptObject(key, stream.Dictionary(), TDirection::kDecrypt);
}

void TSmartPDFCrypt::CryptObject(std::string_view key, TPDFObject* object, TDirection direction) const {
  if (auto* dictionary = As<TPDFDictionary>(object)) {
    for (std::int32_t i = 0; i < dictionary->EntryCount(); ++i) {
      TPDFName* name = nullptr;
      TPDFObject* value = nullptr;
      dictionary->GetEntry(i, name, value);
      // Asked only of a string /Contents: the walk passes every dictionary of a document.
      const bool signatureContents = name != nullptr && name->Value() == "Contents" && As<TPDFString>(value) != nullptr &&
                                     IsSignatureDictionary(*dictionary);
      if (!signatureContents) CryptObject(key, value, direction);
    }
  } else if (auto* array = As<TPDFArray>(object)) {
    for (std::int32_t i = 0; i < array->ItemCount(); ++i) CryptObject(key, array->GetItem(i), direction);
  } else if (auto* text = As<TPDFString>(object)) {
    if (direction == TDirection::kDecrypt && !record_.StringsEncrypted) return;
    text->SetValue(CryptBytes(key, text->Value(), direction));
  } else if (auto* stream = As<TPDFStream>(object)) {
    if (direction == TDirection::kDecrypt) {
      DecryptStream(key, *stream);
      return;
    }
    stream->SetRawData(CryptBytes(key, stream->Data(), direction));
    CryptObject(key, stream->Dictionary(), direction);
  }
}

}  // namespace pdf
